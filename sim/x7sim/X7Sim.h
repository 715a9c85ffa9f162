#pragma once

// The simulator's network side: listens on the module ports 1500 and 1901 of every address (a
// module must see the limited broadcast 255.255.255.255), hands each datagram from an accepted
// sender to every simulated module, and sends their answers back to the sender. It logs every
// datagram with its meaning, what each module made of it and every answer, and prints the blocks
// of a module on request: after each write (Options::dumpAfterWrite) or on the line "dump" read
// from standard input.

#include "SimModule.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QQueue>
#include <QTimer>
#include <QVector>
#include <memory>

class QSocketNotifier;
class QUdpSocket;

class X7Sim : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // Senders answered: a loopback address accepts 127.0.0.0/8, 0.0.0.0 everyone, any other
        // address its /24 network.
        QHostAddress serve = QHostAddress(QStringLiteral("127.0.0.1"));
        QHostAddress listen = QHostAddress(QHostAddress::AnyIPv4);
        int pace = 0;       // answers per second; 0 sends each answer at once
        bool quiet = false; // no per-frame log lines
        // After every write and factory reset, the module's blocks ("block ..." lines, then
        // "dump end"), printed before its acknowledgement leaves.
        bool dumpAfterWrite = false;
    };

    X7Sim(const Options &options, QObject *parent = nullptr);
    ~X7Sim() override;

    void addModule(const SimModuleConfig &config);
    SimModule *module(int index) { return m_modules.at(index).get(); }
    int moduleCount() const { return int(m_modules.size()); }

    // Binds the ports; false (with a message on stderr) when a port is taken.
    bool start();

    // Reads commands from standard input where the system can watch it (Unix): "dump" prints
    // every module's blocks followed by "dump end". False where it cannot.
    bool watchStandardInput();

private:
    struct Pending
    {
        QByteArray bytes;
        quint16 fromPort;
        QHostAddress to;
        quint16 toPort;
        QString what;
    };

    bool accepts(const QHostAddress &sender) const;
    void readPending(QUdpSocket *socket, quint16 localPort);
    void send(const Pending &p);
    void sendNextPaced();
    void printDump(const SimModule &module) const;
    void printBlocks(const SimModule &module) const;
    void readStandardInput();
    void runInputCommand(const QByteArray &line);

    Options m_options;
    std::vector<std::unique_ptr<SimModule>> m_modules;
    QUdpSocket *m_port1500 = nullptr;
    QUdpSocket *m_port1901 = nullptr;
    QQueue<Pending> m_queue;
    QTimer m_paceTimer;
    QElapsedTimer m_paceClock;
    qint64 m_paceSent = 0;
    QElapsedTimer m_clock; // the modules' time, for their restart silence
    QSocketNotifier *m_stdin = nullptr;
    QByteArray m_stdinBuffer;
};
