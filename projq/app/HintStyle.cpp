#include "HintStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextLayout>
#include <QToolTip>

int HintStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                         QStyleHintReturn *returnData) const
{
    if (hint == SH_ToolTip_WakeUpDelay)
        return kWakeUpDelayMs;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void HintStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                              QPainter *painter, const QWidget *widget) const
{
    if (element != PE_PanelTipLabel) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // The frame in the light grey of a scroll bar rather than in the text colour.
    painter->save();
    painter->fillRect(option->rect, option->palette.toolTipBase());
    painter->setPen(QPen(option->palette.color(QPalette::Mid), 0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void installHintStyle()
{
    if (!qobject_cast<HintStyle *>(QApplication::style()))
        QApplication::setStyle(new HintStyle(QStyleFactory::create(QApplication::style()->name())));
    QPalette palette = QToolTip::palette();
    const QPalette app = QApplication::palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::ToolTipBase, app.color(group, QPalette::HighlightedText));
        palette.setColor(group, QPalette::ToolTipText, app.color(group, QPalette::ToolTipText));
        palette.setColor(group, QPalette::Mid, app.color(group, QPalette::Mid));
    }
    QToolTip::setPalette(palette);
    QFont font = QToolTip::font();
    font.setFamilies({QStringLiteral("Microsoft JhengHei"), font.family()});
    font.setPixelSize(11);
    QToolTip::setFont(font);
}

QString wrapHintText(const QString &text, const QFont &font, int width)
{
    QStringList lines;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.isEmpty()) {
            lines << QString();
            continue;
        }
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (!part.isEmpty() && part.back().isSpace())
                part.chop(1);
            lines << part;
        }
        layout.endLayout();
    }
    return lines.join(QLatin1Char('\n'));
}
