#pragma once

// The look of the real-time help: a hint shows 50 ms after the pointer comes to rest, its text
// broken into lines about 200 pixels wide, on the highlight-text colour with the tooltip-text
// colour, framed in a light grey, in an 11-pixel font.

#include <QProxyStyle>
#include <QString>

class QFont;

class HintStyle : public QProxyStyle
{
    Q_OBJECT
public:
    static constexpr int kWakeUpDelayMs = 50;
    static constexpr int kWrapWidth = 200;

    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};

// Puts HintStyle over the application's current style (once) and sets the hints' palette and
// font. Needs the QApplication.
void installHintStyle();

// `text` with line breaks added so that no line is wider than `width` pixels in `font` (a single
// word wider than that is broken inside); its own line breaks are kept.
QString wrapHintText(const QString &text, const QFont &font, int width = HintStyle::kWrapWidth);
