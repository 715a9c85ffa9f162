#pragma once

// A direction button of the pad: pressing any mouse button on it starts a move, letting go of
// every button (wherever the pointer is by then) stops it. The keyboard does not move the head.
// Losing focus, being disabled or hidden during a press also ends it, so the head is never left
// moving.

#include <QPushButton>

class PadButton : public QPushButton
{
    Q_OBJECT

public:
    explicit PadButton(const QString &caption, QWidget *parent = nullptr);

    bool isHeld() const { return m_held; }
    // Ends a press as if the mouse had been let go.
    void release();

signals:
    void held();
    void letGo();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool m_held = false;
};
