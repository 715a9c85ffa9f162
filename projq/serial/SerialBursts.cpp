#include "SerialBursts.h"

QByteArray SerialBursts::takeFull()
{
    if (m_pending.size() < kMaxBurst)
        return {};
    const QByteArray full = m_pending.left(kMaxBurst);
    m_pending.remove(0, kMaxBurst);
    return full;
}

QByteArray SerialBursts::takeRest()
{
    QByteArray rest;
    rest.swap(m_pending);
    return rest;
}
