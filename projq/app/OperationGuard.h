#pragma once

// Keeps a timed operation (a LAN save, a serial read or write, a firmware upgrade) whole: while
// any watched operation runs, every control that sends frames to a module is disabled, so no
// search, read, restart or reset lands between the operation's frames; and a close request waits
// until the last operation has ended instead of cutting it.
//
// Hooking an operation in: the operation object announces its start and end with two signals
// without arguments, and the window calls
//     guard->watch(op, &Op::started, &Op::finished);
// (or guard->watch(op) when the signals are named started() and finished()). A control that
// sends frames is registered once with guard->addControl(widget). An operation destroyed while
// running counts as ended.

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

class QWidget;

class OperationGuard : public QObject
{
    Q_OBJECT
public:
    explicit OperationGuard(QObject *parent = nullptr);

    template<typename Op, typename StartedSignal, typename FinishedSignal>
    void watch(Op *op, StartedSignal started, FinishedSignal finished)
    {
        connect(op, started, this, [this, op] { operationStarted(op); });
        connect(op, finished, this, [this, op] { operationEnded(op); });
        connect(op, &QObject::destroyed, this, [this, op] { operationEnded(op); });
    }
    template<typename Op> void watch(Op *op) { watch(op, &Op::started, &Op::finished); }

    // A control that sends frames: disabled while an operation runs, then given back the
    // enabled state it had before.
    void addControl(QWidget *control);

    bool isBusy() const { return !m_running.isEmpty(); }
    int runningCount() const { return int(m_running.size()); }

    // Asked by the window's close handler: true when the window may close now; false when an
    // operation runs, in which case readyToClose() follows as soon as the last one has ended.
    bool mayClose();
    bool closePending() const { return m_closePending; }

signals:
    void busyChanged(bool busy);
    void readyToClose();

private:
    void operationStarted(const QObject *op);
    void operationEnded(const QObject *op);
    void setControlsBusy(bool busy);

    QSet<const QObject *> m_running;
    QList<QPointer<QWidget>> m_controls;
    QHash<QWidget *, bool> m_enabledBefore;
    bool m_closePending = false;
};
