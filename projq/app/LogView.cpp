#include "LogView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

LogView::LogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] {
        write(qMin(m_queued.size(), size_t(kLinesPerPass)));
        if (!m_queued.empty())
            m_flushTimer.start();
    });
}

void LogView::setLimits(int maxLines, qsizetype maxChars)
{
    m_maxLines = qMax(1, maxLines);
    m_maxChars = qMax<qsizetype>(1, maxChars);
    flush();
    trimToLimits();
}

void LogView::appendLine(const QString &text, const QColor &color)
{
    Line line{text.size() > m_maxChars ? text.left(m_maxChars) : text, color};
    m_queuedChars += line.text.size();
    m_queued.push_back(std::move(line));
    // Lines that the limits would drop right after writing them are never written.
    while (m_queued.size() > 1 &&
           (m_queued.size() > size_t(m_maxLines) || m_queuedChars > m_maxChars))
        dropOldestQueued();
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void LogView::dropOldestQueued()
{
    m_queuedChars -= m_queued.front().text.size();
    m_queued.pop_front();
}

void LogView::flush()
{
    m_flushTimer.stop();
    write(m_queued.size());
}

void LogView::write(size_t count)
{
    if (count == 0)
        return;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat plain;
    plain.setForeground(palette().text());
    for (size_t i = 0; i < count; ++i) {
        const Line &line = m_queued[i];
        // The first line goes into the document's initial block.
        if (m_hasLines)
            cursor.insertBlock();
        m_hasLines = true;
        if (line.color.isValid()) {
            QTextCharFormat format;
            format.setForeground(line.color);
            cursor.insertText(line.text, format);
        } else {
            cursor.insertText(line.text, plain);
        }
    }
    cursor.endEditBlock();
    for (size_t i = 0; i < count; ++i)
        dropOldestQueued();
    trimToLimits();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

qsizetype LogView::characterCount() const
{
    // The document counts one separator per block, and one more at its end.
    if (!m_hasLines)
        return 0;
    return document()->characterCount() - document()->blockCount();
}

void LogView::trimToLimits()
{
    // Whole lines go, oldest first; the newest line always stays (it was cut to the limit).
    // QPlainTextEdit's own block limit is not used: it walks the cursor over every line it
    // drops, laying each one out, which cost a flood most of its time.
    QTextDocument *doc = document();
    const int lines = doc->blockCount();
    QTextBlock last = doc->findBlockByNumber(qMax(0, lines - m_maxLines));
    if (!last.isValid())
        return;
    qsizetype excess = characterCount() - m_maxChars;
    for (QTextBlock b = doc->firstBlock(); b.isValid() && b != last; b = b.next())
        excess -= b.length() - 1;
    while (excess > 0 && last.next().isValid()) {
        excess -= last.length() - 1;
        last = last.next();
    }
    if (last == doc->firstBlock())
        return;
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.setPosition(last.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

QStringList LogView::lines() const
{
    const_cast<LogView *>(this)->flush();
    QStringList out;
    if (!m_hasLines)
        return out;
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

QColor LogView::lineColor(int i) const
{
    const_cast<LogView *>(this)->flush();
    const QTextBlock b = document()->findBlockByNumber(i);
    if (!b.isValid())
        return {};
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QBrush brush = it.fragment().charFormat().foreground();
        if (brush.style() != Qt::NoBrush)
            return brush.color();
    }
    return {};
}

void LogView::clearLog()
{
    m_flushTimer.stop();
    m_queued.clear();
    m_queuedChars = 0;
    clear();
    m_hasLines = false;
}

QString hexLogText(const QByteArray &bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const qsizetype shown = qMin<qsizetype>(bytes.size(), kLoggedBytes);
    QString out(shown * 3, Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < shown; ++i) {
        const auto b = quint8(bytes[i]);
        *d++ = QLatin1Char(kDigits[b >> 4]);
        *d++ = QLatin1Char(kDigits[b & 0xF]);
        *d++ = QLatin1Char(' ');
    }
    if (shown == bytes.size())
        return out;
    // Thousands apart by a space, like "65 507".
    QString count = QString::number(bytes.size());
    for (qsizetype i = count.size() - 3; i > 0; i -= 3)
        count.insert(i, QLatin1Char(' '));
    return out + QStringLiteral("… (") + count + QStringLiteral(" bytes)");
}
