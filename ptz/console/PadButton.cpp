#include "console/PadButton.h"

#include <QMouseEvent>

PadButton::PadButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
}

void PadButton::mousePressEvent(QMouseEvent *event)
{
    event->accept(); // accepting keeps the mouse grabbed here until every button is let go
    if (m_held)
        return;
    m_held = true;
    setDown(true);
    setFocus(Qt::MouseFocusReason);
    emit held();
}

void PadButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->buttons() == Qt::NoButton)
        release();
}

void PadButton::mouseMoveEvent(QMouseEvent *event)
{
    event->accept(); // stays down while the pointer wanders off
}

void PadButton::keyPressEvent(QKeyEvent *event)
{
    event->ignore();
}

void PadButton::keyReleaseEvent(QKeyEvent *event)
{
    event->ignore();
}

void PadButton::focusOutEvent(QFocusEvent *event)
{
    release();
    QPushButton::focusOutEvent(event);
}

void PadButton::hideEvent(QHideEvent *event)
{
    release();
    QPushButton::hideEvent(event);
}

void PadButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        release();
    QPushButton::changeEvent(event);
}

void PadButton::release()
{
    if (!m_held)
        return;
    m_held = false;
    setDown(false);
    emit letGo();
}
