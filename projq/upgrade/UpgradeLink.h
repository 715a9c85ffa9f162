#pragma once

// The upgrade's four UDP ports on one local address: 9 (wake-up), 67 (BOOTP), 69 (file request)
// and 40300 (data and acknowledgements). Every frame leaves from the chosen address. The boot
// loader has no address yet and broadcasts its BOOTP request to 255.255.255.255, which a socket
// bound to a unicast address never receives; so port 67 is received on a second socket bound to
// the wildcard address, which takes only datagrams that came in on the chosen address's
// interface.

#include <QObject>
#include <QString>

#include <optional>

class QUdpSocket;
struct UpgradeFrame;

class UpgradeLink : public QObject
{
    Q_OBJECT
public:
    struct OpenError
    {
        quint16 port = 0;
        QString text;            // the system's words
        bool permission = false; // a privileged port the program may not bind
        bool inUse = false;      // another program holds the port
    };

    explicit UpgradeLink(QObject *parent = nullptr);
    ~UpgradeLink() override;

    // Closes whatever is open, then binds the ports on `localIp`; on failure nothing stays open.
    std::optional<OpenError> open(const QString &localIp);
    void close();
    bool isOpen() const { return !m_sockets.isEmpty(); }

    // False with the reason when the frame could not be handed to the system.
    bool send(const UpgradeFrame &frame, QString *error = nullptr);

signals:
    void datagramReceived(quint16 localPort, const QString &senderIp, const QByteArray &bytes);

private:
    void readPending(QUdpSocket *socket, quint16 localPort, bool wildcard);
    QUdpSocket *socketFor(quint16 port) const;

    QList<QUdpSocket *> m_sockets; // the four on the chosen address, in port order
    QUdpSocket *m_bootWildcard = nullptr;
    int m_interfaceIndex = 0; // of the chosen address; 0 when unknown
};
