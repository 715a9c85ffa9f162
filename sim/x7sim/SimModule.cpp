#include "SimModule.h"

#include <QStringEncoder>
#include <QStringList>

SimModule::SimModule(const SimModuleConfig &config)
    : m_config(config)
{
}

QString SimModule::macText() const
{
    return QString::fromLatin1(m_config.mac.toHex(' ').toUpper());
}

QByteArray SimModule::searchAnswer() const
{
    QByteArray a(36, '\0');
    a[0] = char(0xFF);
    a[1] = char(0x24);
    a[2] = char(0x01);
    a.replace(5, 4, m_config.ip.left(4));
    a.replace(9, 6, m_config.mac.left(6));
    a[15] = char(m_config.version & 0xFF);
    a[16] = char((m_config.version >> 8) & 0xFF);
    QStringEncoder gb("GB18030");
    const QByteArray name = QByteArray(gb.encode(m_config.name)).left(14);
    a.replace(19, name.size(), name);
    return a;
}

QList<SimAnswer> SimModule::handle(const QByteArray &datagram, quint16 localPort)
{
    if (datagram == QByteArray("\xFF\x01\x01\x02", 4) && localPort == 1500)
        return {SimAnswer{searchAnswer(), port()}};
    return {};
}

bool ParseSimModel(const QString &text, SimModuleConfig::Model &model)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("Q2"))
        model = SimModuleConfig::Q2;
    else if (t == QLatin1String("Q3"))
        model = SimModuleConfig::Q3;
    else
        return false;
    return true;
}

bool ParseSimMac(const QString &text, QByteArray &mac)
{
    QString digits = text;
    digits.remove(QLatin1Char(' ')).remove(QLatin1Char(':')).remove(QLatin1Char('-'));
    if (digits.size() != 12)
        return false;
    const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
    if (bytes.size() != 6 || bytes.toHex().toUpper() != digits.toUpper().toLatin1())
        return false;
    mac = bytes;
    return true;
}

bool ParseSimIp(const QString &text, QByteArray &ip)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    QByteArray out;
    for (const QString &p : parts) {
        bool ok = false;
        const uint v = p.toUInt(&ok);
        if (!ok || v > 255)
            return false;
        out.append(char(v));
    }
    ip = out;
    return true;
}
