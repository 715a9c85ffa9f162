#pragma once

// A read-only log of coloured lines that keeps only its newest lines and characters, so hours
// of traffic, or a flood of it, keep the window responsive and its memory bounded. Lines are
// gathered and written to the document in one go once the event loop runs again: a burst of a
// thousand datagrams costs one edit of the document, not a thousand.

#include <QColor>
#include <QPlainTextEdit>
#include <QTimer>

#include <deque>

class LogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int kDefaultMaxLines = 5000;
    // About 2 MB of text: far more than anyone reads, far less than a flood would pile up.
    static constexpr qsizetype kDefaultMaxChars = 1'000'000;
    // A pass of the event loop writes at most this many queued lines, so that a flood costs each
    // pass a bounded time; the rest follow in the next passes (or are dropped by the limits).
    static constexpr int kLinesPerPass = 1000;

    explicit LogView(QWidget *parent = nullptr);

    // Queues one line; an invalid colour is the default text colour. The queued lines are
    // written, and the view scrolled to the end, at the next pass of the event loop (or at once
    // by flush(), lines() and lineColor()). A line longer than the character limit is cut.
    void appendLine(const QString &text, const QColor &color = QColor());
    void clearLog();
    // Writes the queued lines now.
    void flush();
    // The text of every line kept, oldest first.
    QStringList lines() const;
    // The colour line `i` was written in (invalid for the default colour).
    QColor lineColor(int i) const;

    // How many lines and characters (line ends not counted) the log keeps at most.
    void setLimits(int maxLines, qsizetype maxChars);
    int maxLines() const { return m_maxLines; }
    qsizetype maxChars() const { return m_maxChars; }
    // Characters written to the document, line ends not counted.
    qsizetype characterCount() const;

private:
    struct Line
    {
        QString text;
        QColor color;
    };
    void dropOldestQueued();
    void write(size_t count);
    void trimToLimits();

    bool m_hasLines = false;
    int m_maxLines = kDefaultMaxLines;
    qsizetype m_maxChars = kDefaultMaxChars;
    std::deque<Line> m_queued;
    qsizetype m_queuedChars = 0;
    QTimer m_flushTimer;
};

// The data-stream log's line for a frame or datagram: its bytes in hex ("FF 01 01 02 "), the
// first kLoggedBytes of them only, then an ellipsis and the whole length ("… (65 507 bytes)").
constexpr int kLoggedBytes = 256;
QString hexLogText(const QByteArray &bytes);

// The colours of the operation and data-stream logs.
namespace LogColors {
inline const QColor kOk(0, 128, 0);
inline const QColor kError(255, 0, 0);
inline const QColor kInstruction(128, 0, 0);
inline const QColor kSent(0, 0, 255);
inline const QColor kReceived(0, 128, 0);
} // namespace LogColors
