#pragma once

// Starts a simulator executable for a test and waits until it says it is ready.

#include <QProcess>
#include <QStringList>
#include <QTest>

class SimProcess
{
public:
    // `envVar` names the variable holding the executable's path (X7SIM, PTZSIM).
    bool start(const char *envVar, const QStringList &args, const QByteArray &readyLine = "ready")
    {
        const QString program = QString::fromLocal8Bit(qgetenv(envVar));
        if (program.isEmpty())
            return false;
        m_process.setProgram(program);
        m_process.setArguments(args);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_output.contains(readyLine)) {
            if (!m_process.waitForReadyRead(5000))
                return false;
            m_output += m_process.readAllStandardOutput();
        }
        return true;
    }

    // Everything the simulator printed so far.
    QByteArray output()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }

    QByteArray errors() { return m_process.readAllStandardError(); }

    ~SimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(2000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_output;
};
