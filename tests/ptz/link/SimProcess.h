#pragma once

// Runs ptzsim (path in PTZSIM) for a test and reads its log: the announcement tells where the
// head listens, and every frame it receives appears as a line "rx <hex> | <meaning>".

#include <QProcess>
#include <QStringList>
#include <QTest>

class SimProcess
{
public:
    ~SimProcess() { stop(); }

    // Starts the simulator and waits for its announcement; false when it did not start.
    bool start(const QStringList &arguments)
    {
        const QString program = qEnvironmentVariable("PTZSIM");
        if (program.isEmpty())
            return false;
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        const bool announced = QTest::qWaitFor(
            [this] {
                collect();
                return !m_announcement.isEmpty() || m_process.state() == QProcess::NotRunning;
            },
            5000);
        return announced && !m_announcement.isEmpty();
    }

    bool startTcp(const QStringList &extra = {})
    {
        return start(QStringList{"--tcp", "--port", "0"} + extra);
    }
    bool startPty(const QStringList &extra = {}) { return start(QStringList{"--pty"} + extra); }

    quint16 tcpPort() const { return quint16(m_announcement.section(':', -1).toUInt()); }
    QString ptyPath() const { return m_announcement.section(' ', -1); }

    // Every line logged so far.
    QStringList lines()
    {
        collect();
        return m_lines;
    }

    // The hex of every frame the head received with a good checksum, in order.
    QStringList framesReceived()
    {
        QStringList frames;
        for (const QString &line : lines()) {
            if (line.startsWith("rx ") && !line.contains("| junk") && !line.contains("| bad"))
                frames.append(line.mid(3).section(" |", 0, 0));
        }
        return frames;
    }

    bool waitForFrames(int count, int timeoutMs = 3000)
    {
        return QTest::qWaitFor([&] { return framesReceived().size() >= count; }, timeoutMs);
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    void collect()
    {
        m_pending += m_process.readAllStandardOutput();
        int end;
        while ((end = int(m_pending.indexOf('\n'))) >= 0) {
            const QString line = QString::fromLocal8Bit(m_pending.left(end));
            m_pending.remove(0, end + 1);
            if (line.startsWith("ptzsim: listening on ") || line.startsWith("ptzsim: pty "))
                m_announcement = line;
            m_lines.append(line);
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    QString m_announcement;
    QStringList m_lines;
};
