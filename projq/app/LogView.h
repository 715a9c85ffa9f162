#pragma once

// A read-only log of coloured lines that keeps only its newest lines, so hours of traffic keep
// the window responsive.

#include <QColor>
#include <QPlainTextEdit>

class LogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int kDefaultMaxLines = 5000;

    explicit LogView(QWidget *parent = nullptr);

    // Appends one line; an invalid colour is the default text colour. Scrolls to the end.
    void appendLine(const QString &text, const QColor &color = QColor());
    void clearLog();
    // The text of every line kept, oldest first.
    QStringList lines() const;
    // The colour line `i` was written in (invalid for the default colour).
    QColor lineColor(int i) const;

private:
    bool m_hasLines = false;
};

// The colours of the operation and data-stream logs.
namespace LogColors {
inline const QColor kOk(0, 128, 0);
inline const QColor kError(255, 0, 0);
inline const QColor kInstruction(128, 0, 0);
inline const QColor kSent(0, 0, 255);
inline const QColor kReceived(0, 128, 0);
} // namespace LogColors
