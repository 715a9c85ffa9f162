#include "LogView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

LogView::LogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setMaximumBlockCount(kDefaultMaxLines);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
}

void LogView::appendLine(const QString &text, const QColor &color)
{
    QTextCharFormat format;
    if (color.isValid())
        format.setForeground(color);
    else
        format.setForeground(palette().text());
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // The first line goes into the document's initial block.
    if (m_hasLines)
        cursor.insertBlock();
    m_hasLines = true;
    cursor.setCharFormat(format);
    cursor.insertText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QStringList LogView::lines() const
{
    QStringList out;
    if (!m_hasLines)
        return out;
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

QColor LogView::lineColor(int i) const
{
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
    clear();
    m_hasLines = false;
}
