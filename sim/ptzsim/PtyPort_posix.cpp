#include "PtyPort.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

void makeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetspeed(&settings, B9600);
        tcsetattr(fd, TCSANOW, &settings);
    }
}

} // namespace

PtyPort::PtyPort(QObject *parent)
    : QObject(parent)
{
}

PtyPort::~PtyPort()
{
    delete m_notifier;
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyPort::open()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const char *name = ptsname(m_master);
    if (!name) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_path = QString::fromLocal8Bit(name);
    // Holding the slave end open keeps the master readable while no program has the port open
    // (otherwise every read fails with EIO), and lets us switch off echo and line editing.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    makeRaw(m_slave);
    makeRaw(m_master);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPort::readPending);
    return true;
}

void PtyPort::readPending()
{
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            emit bytesReceived(QByteArray(buffer, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
}

void PtyPort::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return; // the terminal's buffer is full: the head drops what does not fit
    }
}
