#pragma once

// A veth pair whose far end sits in a network namespace the test creates: the near end keeps
// <prefix>.1/24 in the test's own namespace, the far end <prefix>.2/24. Needs root (ip netns).
// Programs started with farCommand() run in the far namespace. Nothing touches a real interface.

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

class NetnsLink
{
public:
    // `tag` keeps names apart between tests; `prefix` is like "10.79.0".
    NetnsLink(const QString &tag, const QString &prefix)
        : m_ns(QStringLiteral("x7%1%2").arg(tag).arg(QCoreApplication::applicationPid() % 100000))
        , m_near(
              QStringLiteral("x7n%1%2").arg(tag).arg(QCoreApplication::applicationPid() % 100000))
        , m_far(QStringLiteral("x7f%1%2").arg(tag).arg(QCoreApplication::applicationPid() % 100000))
        , m_prefix(prefix)
    {
    }
    ~NetnsLink() { tearDown(); }

    // False with the reason when the system does not allow it (not root, no ip tool).
    bool setUp(QString *error)
    {
        m_made = true;
        return run({"netns", "add", m_ns}, error) &&
               run({"link", "add", m_near, "type", "veth", "peer", "name", m_far}, error) &&
               run({"link", "set", m_far, "netns", m_ns}, error) &&
               run({"addr", "add", nearIp() + QStringLiteral("/24"), "dev", m_near}, error) &&
               run({"link", "set", m_near, "up"}, error) &&
               run({"-n", m_ns, "addr", "add", farIp() + QStringLiteral("/24"), "dev", m_far},
                   error) &&
               run({"-n", m_ns, "link", "set", m_far, "up"}, error) &&
               run({"-n", m_ns, "link", "set", "lo", "up"}, error);
    }

    void tearDown()
    {
        if (!m_made)
            return;
        m_made = false;
        run({"link", "del", m_near}); // removes the far end too
        run({"netns", "del", m_ns});
    }

    QString nearIp() const { return m_prefix + QStringLiteral(".1"); }
    QString farIp() const { return m_prefix + QStringLiteral(".2"); }

    // `program args` run inside the far namespace: start "ip" with these arguments.
    QStringList farCommand(const QString &program, const QStringList &args) const
    {
        return QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_ns, program} + args;
    }

    static bool run(const QStringList &args, QString *error = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral("ip"), args);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            if (error)
                *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed() +
                         QStringLiteral(" (ip ") + args.join(QLatin1Char(' ')) + QLatin1Char(')');
            return false;
        }
        return true;
    }

private:
    QString m_ns;
    QString m_near;
    QString m_far;
    QString m_prefix;
    bool m_made = false;
};
