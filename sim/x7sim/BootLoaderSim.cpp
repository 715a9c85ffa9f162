#include "BootLoaderSim.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QUdpSocket>
#include <cstdio>

namespace {

constexpr quint16 kWakePort = 9;
constexpr quint16 kServerPort = 67;
constexpr quint16 kClientPort = 68;
constexpr quint16 kFilePort = 69;
constexpr quint16 kDataPort = 13633;
constexpr int kBlockSize = 512;
constexpr int kBootRetryMs = 1000;
constexpr int kBootTries = 3;

constexpr QAbstractSocket::BindMode kShared =
    QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;

QString hex(const QByteArray &bytes, int max = 24)
{
    QString text = QString::fromLatin1(bytes.left(max).toHex(' ').toUpper());
    if (bytes.size() > max)
        text += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
    return text;
}

} // namespace

BootLoaderSim::BootLoaderSim(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
{
    m_bootRetry.setSingleShot(true);
    connect(&m_bootRetry, &QTimer::timeout, this, [this] {
        if (m_state == State::WaitingReply && m_bootTries < kBootTries)
            sendBootRequest();
    });
}

bool BootLoaderSim::start()
{
    auto open = [this](const QHostAddress &address, quint16 port) -> QUdpSocket * {
        auto *socket = new QUdpSocket(this);
        if (!socket->bind(address, port, kShared)) {
            std::fprintf(stderr, "x7sim: cannot bind %s:%u: %s\n",
                         address.toString().toLocal8Bit().constData(), port,
                         socket->errorString().toLocal8Bit().constData());
            return nullptr;
        }
        return socket;
    };
    const QHostAddress any(QHostAddress::AnyIPv4);
    m_wake = open(any, kWakePort);
    m_bootListen = open(any, kClientPort);
    m_bootSend = open(m_options.address, kClientPort);
    m_data = open(m_options.address, kDataPort);
    if (!m_wake || !m_bootListen || !m_bootSend || !m_data)
        return false;
    connect(m_wake, &QUdpSocket::readyRead, this, &BootLoaderSim::readWakeUp);
    connect(m_bootListen, &QUdpSocket::readyRead, this, &BootLoaderSim::readBootReply);
    connect(m_data, &QUdpSocket::readyRead, this, &BootLoaderSim::readData);
    // The send socket hears nothing meant for it; drain it anyway.
    connect(m_bootSend, &QUdpSocket::readyRead, this, [this] {
        while (m_bootSend->hasPendingDatagrams())
            m_bootSend->receiveDatagram();
    });
    return true;
}

void BootLoaderSim::log(const QString &line) const
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void BootLoaderSim::readWakeUp()
{
    while (m_wake->hasPendingDatagrams()) {
        const QNetworkDatagram dg = m_wake->receiveDatagram();
        const QByteArray d = dg.data();
        const QByteArray expected = QByteArray(6, char(0xAA)) + m_options.mac.repeated(4);
        if (d != expected) {
            if (!m_options.quiet)
                log(QStringLiteral("rx :9 %1  [not my wake-up]").arg(hex(d)));
            continue;
        }
        log(QStringLiteral("rx :9 %1  [wake-up]").arg(hex(d, 30)));
        if (m_options.silent) {
            log(QStringLiteral("bootloader silent: wake-up ignored"));
            continue;
        }
        m_state = State::WaitingReply;
        m_bootTries = 0;
        const quint32 xid = QRandomGenerator::global()->generate();
        m_xid = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            m_xid[i] = char(xid >> (24 - 8 * i));
        sendBootRequest();
    }
}

void BootLoaderSim::sendBootRequest()
{
    QByteArray r(300, '\0');
    r[0] = 1; // request
    r[1] = 1; // Ethernet
    r[2] = 6;
    r.replace(4, 4, m_xid);
    // The third giaddr byte asks the server to say so when the signature does not match.
    r[26] = 1;
    r.replace(28, 6, m_options.mac);
    r.replace(44, 4, m_options.signature);
    r.replace(236, 5, QByteArray::fromHex("63825363FF"));
    ++m_bootTries;
    // A boot loader has no address: it broadcasts, and the reply comes back as a broadcast.
    m_bootSend->writeDatagram(r, QHostAddress::Broadcast, kServerPort);
    log(QStringLiteral("tx :68 -> 255.255.255.255:67  %1  [BOOTP request, signature %2]")
            .arg(hex(r, 8), hex(m_options.signature)));
    m_bootRetry.start(kBootRetryMs);
}

void BootLoaderSim::readBootReply()
{
    while (m_bootListen->hasPendingDatagrams()) {
        const QNetworkDatagram dg = m_bootListen->receiveDatagram();
        const QByteArray d = dg.data();
        if (m_state != State::WaitingReply || d.size() != 300 || d.at(0) != 2 ||
            d.mid(4, 4) != m_xid || d.mid(28, 6) != m_options.mac)
            continue;
        m_bootRetry.stop();
        const QHostAddress yiaddr(d.mid(16, 4).toHex().toUInt(nullptr, 16));
        m_server = QHostAddress(d.mid(20, 4).toHex().toUInt(nullptr, 16));
        const QByteArray file = d.mid(108, 128).split('\0').first();
        log(QStringLiteral("rx :68 from %1  [BOOTP reply: yiaddr %2 siaddr %3 file %4]")
                .arg(QHostAddress(dg.senderAddress().toIPv4Address()).toString(), yiaddr.toString(),
                     m_server.toString(), QString::fromLatin1(file)));
        if (yiaddr != m_options.address)
            log(QStringLiteral("bootloader note: yiaddr %1 is not my address %2")
                    .arg(yiaddr.toString(), m_options.address.toString()));
        m_state = State::Transfer;
        m_expected = 1;
        m_received.clear();
        m_dropped.clear();
        const QByteArray rrq = QByteArrayLiteral("\0\1") + file + '\0' + "octet" + '\0';
        m_data->writeDatagram(rrq, m_server, kFilePort);
        log(QStringLiteral("tx :%1 -> %2:%3  %4  [read request]")
                .arg(kDataPort)
                .arg(m_server.toString())
                .arg(kFilePort)
                .arg(hex(rrq, 21)));
    }
}

void BootLoaderSim::readData()
{
    while (m_data->hasPendingDatagrams()) {
        const QNetworkDatagram dg = m_data->receiveDatagram();
        const QByteArray d = dg.data();
        const QHostAddress from(dg.senderAddress().toIPv4Address());
        const quint16 port = quint16(dg.senderPort());
        if (d.size() < 4 || d.size() > 4 + kBlockSize || d.at(0) != 0 || d.at(1) != 3)
            continue;
        const int k = (quint8(d.at(2)) << 8) | quint8(d.at(3));
        const bool last = d.size() < 4 + kBlockSize;
        if (k == 1 && m_state != State::Transfer) {
            // A sender that skipped the BOOTP exchange, or a new image after a finished one.
            m_state = State::Transfer;
            m_expected = 1;
            m_received.clear();
            m_dropped.clear();
        }
        if (m_state == State::Idle || m_state == State::WaitingReply)
            continue;
        if (!m_options.quiet)
            log(QStringLiteral("rx %1:%2 -> :%3  block %4, %5 bytes")
                    .arg(from.toString())
                    .arg(port)
                    .arg(kDataPort)
                    .arg(k)
                    .arg(d.size() - 4));
        if (k == m_expected && m_state == State::Transfer) {
            m_received += d.mid(4);
            ++m_expected;
            acknowledge(k, from, port, last);
            if (last)
                finishImage();
        } else if (k < m_expected) {
            log(QStringLiteral("bootloader repeated block %1").arg(k));
            acknowledge(k, from, port, last);
        } else {
            log(QStringLiteral("bootloader ignored block %1 (expected %2)").arg(k).arg(m_expected));
        }
    }
}

void BootLoaderSim::acknowledge(int k, const QHostAddress &to, quint16 port, bool last)
{
    if ((m_options.dropAcks.contains(k) || (last && m_options.dropLastAck)) &&
        !m_dropped.contains(k)) {
        m_dropped.insert(k);
        log(QStringLiteral("bootloader dropped ack %1").arg(k));
        return;
    }
    QByteArray ack = QByteArray::fromHex("0004");
    ack += char(k >> 8);
    ack += char(k & 0xFF);
    const bool twice = m_options.duplicateAcks.contains(k) || (last && m_options.duplicateLastAck);
    for (int i = 0; i < (twice ? 2 : 1); ++i)
        m_data->writeDatagram(ack, to, port);
    if (twice)
        log(QStringLiteral("bootloader duplicated ack %1").arg(k));
    else if (!m_options.quiet)
        log(QStringLiteral("tx :%1 -> %2:%3  ack %4")
                .arg(kDataPort)
                .arg(to.toString())
                .arg(port)
                .arg(k));
}

void BootLoaderSim::finishImage()
{
    m_state = State::Done;
    // The signature never travels: the boot loader has it, so the file is the whole image.
    QFile out(m_options.outFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(m_options.signature + m_received) !=
            m_options.signature.size() + m_received.size()) {
        std::fprintf(stderr, "x7sim: cannot write %s: %s\n",
                     m_options.outFile.toLocal8Bit().constData(),
                     out.errorString().toLocal8Bit().constData());
        return;
    }
    out.close();
    log(QStringLiteral("bootloader image %1 bytes in %2 blocks written to %3")
            .arg(m_options.signature.size() + m_received.size())
            .arg(m_expected - 1)
            .arg(m_options.outFile));
}
