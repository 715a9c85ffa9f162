#pragma once

// Small conversions of the panel's fields, free of widgets so that they can be tested alone.

#include "common/TextCodec.h" // plainToHexField, hexToPlainField

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QComboBox;
class QWidget;

// The answer to the custom baud-rate prompt of a baud-rate list whose item 1 is "custom": a
// positive decimal number becomes item 0 and is selected; no answer or anything else selects
// "9600".
void applyCustomBaudAnswer(QComboBox *list, const std::optional<QString> &answer);

// The custom baud-rate prompt every baud-rate list shares (item 1 of each list is "custom").
using BaudPromptDone = std::function<void(std::optional<QString> answer)>;
using BaudPromptFunction =
    std::function<void(QWidget *parent, const QString &title, const QString &label,
                       const QString &initial, const BaudPromptDone &done)>;
// The default prompt: a window-modal input box that returns at once (no nested event loop);
// `done` runs once, with the answer or nullopt on cancel.
void openBaudPrompt(QWidget *parent, const QString &title, const QString &label,
                    const QString &initial, const BaudPromptDone &done);
// Asks for a custom rate for `list` (initial answer: its item 0) and applies the answer.
void askCustomBaud(QComboBox *list, QWidget *parent, const BaudPromptFunction &prompt);

// The items of a module's baud-rate list: "115200", "自定义" (custom), then the rates from 300
// to 460800.
QStringList moduleBaudRateItems();
