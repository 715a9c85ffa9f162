#pragma once

// x7ctl: the command-line face of the module engine. One command per run; JSON (or plain lines)
// on standard output, messages on standard error, and an exit code scripts can trust.

#include "engine/ModuleEngine.h"
#include "engine/ParamTemplate.h"

#include <QObject>
#include <QStringList>

#include <cstdio>

// Exit codes.
enum X7CtlExit : int {
    ExitOk = 0,
    ExitFailure = 1,      // the program could not work (a port in use, a file not written)
    ExitBadInput = 2,     // usage, an unknown key, a value a panel would refuse, a bad template
    ExitNoAnswer = 3,     // a module did not answer (or was not found)
    ExitLoginRefused = 4, // a module refused the user name or password
    ExitMismatch = 5,     // the read back differs from what was written
};

// The exit code of one module's outcome.
int exitCodeOf(EngineOutcome outcome);

class X7Ctl : public QObject
{
    Q_OBJECT
public:
    explicit X7Ctl(QObject *parent = nullptr);

    // Parses the arguments (argv[0] included) and starts the command; done() follows with the
    // exit code, also for --help and usage errors.
    void start(const QStringList &arguments);

signals:
    void done(int exitCode);

private:
    void finish(int code);
    void fail(int code, const QString &message);
    void afterSearch(const QList<DeviceEntry> &found);
    void printSearch(const QList<DeviceEntry> &found);
    void printResults(const QList<ModuleResult> &results);

    enum class Command { Search, Read, Write, Apply };
    ModuleEngine *m_engine = nullptr;
    Command m_command = Command::Search;
    bool m_json = false;
    bool m_verify = false;
    QStringList m_macs;
    ParamRecord m_sets;
    ParamTemplate m_template;
    QString m_ipFrom;
    QList<ModuleResult> m_missing; // modules the search did not find
    bool m_finished = false;
};
