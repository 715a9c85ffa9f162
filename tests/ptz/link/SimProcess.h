#pragma once

// Runs ptzsim (path in PTZSIM) for a test and reads its log: the announcement tells where the
// head listens, and every frame it receives appears as a line
// "rx <hex> | <meaning> | at <ms> ms". Bytes that form no whole frame with a good checksum (junk,
// a bad checksum, a cut frame) are logged as "rx <hex> | junk ..." or "rx <hex> | bad ...": the
// console never sends such bytes, so any of them fails the test that is running.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

class SimProcess
{
public:
    ~SimProcess()
    {
        if (QTest::currentTestFunction() && !QTest::currentTestFailed())
            settleAndCheck(__FILE__, __LINE__);
        stop();
    }

    // Waits until a frame cut at the end would have been reported, then checks.
    bool settleAndCheck(const char *file, int line)
    {
        if (m_process.state() == QProcess::Running &&
            lines().indexOf(QRegularExpression(QStringLiteral("^peer .* ready$"))) >= 0)
            QTest::qWait(kCutFrameWaitMs);
        return checkNoMalformedFrames(file, line);
    }

    // Fails the running test when the head got bytes that were no good frame since the last
    // check (so a head shared by several tests blames each fault once).
    bool checkNoMalformedFrames(const char *file, int line)
    {
        const QStringList all = malformed();
        const QStringList bad = all.mid(m_malformedReported);
        m_malformedReported = int(all.size());
        if (bad.isEmpty())
            return true;
        QTest::qFail(
            qPrintable(QStringLiteral("the head received malformed bytes:\n") + bad.join(u'\n')),
            file, line);
        return false;
    }

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

    // Forgets the lines logged so far (a test that sends malformed bytes on purpose).
    void forgetLines()
    {
        collect();
        m_lines.clear();
        m_malformedReported = 0;
    }

    // Every line logged so far.
    QStringList lines()
    {
        collect();
        return m_lines;
    }

    // The hex of every frame the head received, in order. Malformed bytes appear as their whole
    // log line, so that they never match an expected frame.
    QStringList framesReceived()
    {
        QStringList frames;
        for (const QString &line : rxLines())
            frames.append(isMalformed(line) ? line : line.mid(3).section(" |", 0, 0));
        return frames;
    }

    // The log lines of junk, bad checksums and cut frames.
    QStringList malformed()
    {
        QStringList bad;
        for (const QString &line : rxLines()) {
            if (isMalformed(line))
                bad.append(line);
        }
        return bad;
    }

    // The simulator's clock (ms since its start) when it received each frame, in order.
    QList<qint64> receiveTimes()
    {
        static const QRegularExpression at(QStringLiteral(" \\| at (\\d+) ms$"));
        QList<qint64> times;
        for (const QString &line : rxLines()) {
            const auto match = at.match(line);
            times.append(match.hasMatch() ? match.captured(1).toLongLong() : -1);
        }
        return times;
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
    static constexpr int kCutFrameWaitMs = 300;

    static bool isMalformed(const QString &rxLine)
    {
        return rxLine.contains(QLatin1String("| junk")) || rxLine.contains(QLatin1String("| bad"));
    }

    QStringList rxLines()
    {
        QStringList rx;
        for (const QString &line : lines()) {
            if (line.startsWith(QLatin1String("rx ")))
                rx.append(line);
        }
        return rx;
    }

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
    int m_malformedReported = 0;
};
