#pragma once

// One simulated module: its identity and what it answers. Transport-free: frames in, answers out.

#include <QByteArray>
#include <QList>
#include <QString>

struct SimModuleConfig
{
    enum Model { Q2, Q3 };
    Model model = Q2;
    int version = 4017;
    QString name;
    QByteArray mac; // 6 bytes
    QByteArray ip;  // 4 bytes, natural order
};

// An answer and the module port it leaves from (1500 for a Q2, 1901 for a Q3).
struct SimAnswer
{
    QByteArray bytes;
    quint16 fromPort = 1500;
};

class SimModule
{
public:
    explicit SimModule(const SimModuleConfig &config);

    const SimModuleConfig &config() const { return m_config; }
    quint16 port() const { return m_config.model == SimModuleConfig::Q3 ? 1901 : 1500; }
    QString macText() const;

    // The 36-byte answer to the search FF 01 01 02.
    QByteArray searchAnswer() const;

    // Everything the module answers to one datagram received on `localPort` (empty: silence).
    QList<SimAnswer> handle(const QByteArray &datagram, quint16 localPort);

private:
    SimModuleConfig m_config;
};

// Parses "Q2"/"Q3", "D8 B0 4C 00 12 34" or "D8B04C001234", "192.168.0.7"; false on bad text.
bool ParseSimModel(const QString &text, SimModuleConfig::Model &model);
bool ParseSimMac(const QString &text, QByteArray &mac);
bool ParseSimIp(const QString &text, QByteArray &ip);
