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
        Release();
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
    Release();
    QPushButton::focusOutEvent(event);
}

void PadButton::hideEvent(QHideEvent *event)
{
    Release();
    QPushButton::hideEvent(event);
}

void PadButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        Release();
    QPushButton::changeEvent(event);
}

void PadButton::Release()
{
    if (!m_held)
        return;
    m_held = false;
    setDown(false);
    emit letGo();
}
