#include "PanelFields.h"

#include "common/TextCodec.h"
#include "common/ValueHelpers.h"

#include <QComboBox>

namespace {

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool allHex(const QString &text)
{
    for (QChar c : text) {
        if (!isHexDigit(c))
            return false;
    }
    return true;
}

} // namespace

QString plainToHexField(const QString &text)
{
    return textToHexText(gb18030Encode(text));
}

QString hexToPlainField(const QString &hex)
{
    if (!allHex(hex))
        return hex;
    return gb18030Decode(hexTextToText(hex));
}

void applyCustomBaudAnswer(QComboBox *list, const std::optional<QString> &answer)
{
    bool ok = false;
    const QString text = answer ? answer->trimmed() : QString();
    const qlonglong rate = text.toLongLong(&ok);
    if (ok && rate > 0 && rate <= 0xFFFFFFFFLL) {
        list->setItemText(0, QString::number(rate));
        list->setCurrentIndex(0);
        return;
    }
    const int index = list->findText(QStringLiteral("9600"));
    list->setCurrentIndex(index);
}
