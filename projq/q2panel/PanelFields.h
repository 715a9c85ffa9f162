#pragma once

// Small conversions of the panel's fields, free of widgets so that they can be tested alone.

#include <QString>

#include <optional>

class QComboBox;

// Ticking "Hex" beside a data field: the field's text (GB18030 bytes) as hex digits.
QString plainToHexField(const QString &text);
// Clearing "Hex": hex digit pairs back to text (a trailing odd digit is dropped). A text with
// anything but hex digits is left as it is.
QString hexToPlainField(const QString &hex);

// The answer to the custom baud-rate prompt of a baud-rate list whose item 1 is "custom": a
// positive decimal number becomes item 0 and is selected; no answer or anything else selects
// "9600".
void applyCustomBaudAnswer(QComboBox *list, const std::optional<QString> &answer);
