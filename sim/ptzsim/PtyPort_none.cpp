#include "PtyPort.h"

PtyPort::PtyPort(QObject *parent)
    : QObject(parent)
{
}

PtyPort::~PtyPort() = default;

bool PtyPort::open()
{
    m_error = QStringLiteral("this system has no pseudo-terminals; use --serial with a port of a "
                             "null-modem pair instead");
    return false;
}

void PtyPort::write(const QByteArray &) {}

void PtyPort::readPending() {}
