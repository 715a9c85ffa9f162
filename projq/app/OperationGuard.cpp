#include "OperationGuard.h"

#include <QWidget>

OperationGuard::OperationGuard(QObject *parent)
    : QObject(parent)
{
}

void OperationGuard::addControl(QWidget *control)
{
    m_controls.append(control);
    if (isBusy()) {
        m_enabledBefore.insert(control, !control->testAttribute(Qt::WA_ForceDisabled));
        control->setEnabled(false);
    }
}

bool OperationGuard::mayClose()
{
    if (!isBusy())
        return true;
    m_closePending = true;
    return false;
}

void OperationGuard::operationStarted(const QObject *op)
{
    const bool wasBusy = isBusy();
    m_running.insert(op);
    if (!wasBusy) {
        setControlsBusy(true);
        emit busyChanged(true);
    }
}

void OperationGuard::operationEnded(const QObject *op)
{
    if (!m_running.remove(op) || isBusy())
        return;
    setControlsBusy(false);
    emit busyChanged(false);
    if (m_closePending) {
        m_closePending = false;
        emit readyToClose();
    }
}

void OperationGuard::setControlsBusy(bool busy)
{
    for (const QPointer<QWidget> &control : std::as_const(m_controls)) {
        if (!control)
            continue;
        if (busy) {
            // Explicitly disabled, not disabled through a hidden or disabled parent.
            m_enabledBefore.insert(control, !control->testAttribute(Qt::WA_ForceDisabled));
            control->setEnabled(false);
        } else {
            control->setEnabled(m_enabledBefore.value(control, true));
        }
    }
    if (!busy)
        m_enabledBefore.clear();
}
