#pragma once

// The parameters of the Q2 and Q3 panels under stable dotted keys ("net.ip", "port.baud"), each
// with a type, mapped onto the decoded records (ParamRecords.h). A ParamRecord is a plain map
// key -> value read from a module's blocks; changes are written back into those blocks through
// the read-modify-write builders of ParamBlocks.h and the save plans of SavePlan.h, so bytes no
// key covers go back to the module as it sent them.
//
// Values in a record: bool for Bool, qlonglong for Int, QString for Text, Ip (dotted), Mac (six
// hex pairs separated by blanks, as shown) and Choice (one of the key's choice names).
//
// The checks a panel makes before a save (a field that must not be empty, or must hold digits
// only) are the FieldRules below, with the panel's own messages; both panels call them.

#include "common/ParamRecords.h"
#include "common/StoredAnswers.h"
#include "lan/SavePlan.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

enum class ModuleModel { Q2, Q3 };

QString modelName(ModuleModel model);                          // "Q2", "Q3"
std::optional<ModuleModel> modelFromName(const QString &name); // "Q2"/"Q3", any case

enum class KeyType { Bool, Int, Text, Ip, Mac, Choice };
QString keyTypeName(KeyType type); // "bool", "int", "text", "ip", "mac", "choice"

// A panel's check of one text field before a save.
struct FieldRule
{
    bool notEmpty = false; // an empty (or blank) text is refused: "<label>" + lang_IsNull
    bool digits = false;   // anything but decimal digits is refused: "<label>" + lang_IsNotNum
    quint32 max = 0;       // with digits: the largest value (0: any)
    int maxDigits = 0;     // with digits: the most digits allowed (0: any)
};

// The message of the first failed check of `text` under `rule`, or an empty string when it
// passes. `label` is the field's caption as the panel shows it (without a trailing " *").
QString fieldRuleMessage(const QString &text, const QString &label, const FieldRule &rule);

// Which block a key lives in: a key is part of a module's record only when the module sent it.
enum class KeyBlock {
    Param,
    Cloud,
    HeartReg,
    Httpd,
    ModbusShort,
    ModbusPoll,
    ModbusPack,
    ModbusNew
};
// ModbusShort: the 1- or 4-byte Modbus answer; ModbusPoll: its 4-byte form only.

struct ParamKey
{
    QString key;
    KeyType type = KeyType::Text;
    KeyBlock block = KeyBlock::Param;
    bool q2 = false;     // part of a Q2 record
    bool q3 = false;     // part of a Q3 record
    qint64 min = 0;      // Int: smallest value
    qint64 max = 0;      // Int: largest value (the field's width)
    qint64 q3Max = -1;   // Int: the largest value in a Q3 module when its field differs (-1: max)
    int maxBytes = 0;    // Text: the field's width in bytes (GB18030)
    QStringList choices; // Choice: names, in the order of their codes
    QString where;       // block, offset and record field, for the documentation
    QString q2Control;   // the panel control's objectName ("" when the panel has none)
    QString q3Control;
    QString labelKey; // language key of the control's caption, for messages
    FieldRule q2Rule; // the Q2 panel's check of the field
    FieldRule q3Rule; // the Q3 panel's check of the field

    bool inModel(ModuleModel m) const { return m == ModuleModel::Q2 ? q2 : q3; }
    const FieldRule &rule(ModuleModel m) const { return m == ModuleModel::Q2 ? q2Rule : q3Rule; }
};

// The caption of a key's control in the current language (the key itself when it has none).
QString keyLabel(const ParamKey &key);
// The panel's check of the text of `key`'s field in a `model` panel: its message, or an empty
// string when the text passes (or the key is unknown).
QString keyFieldMessage(ModuleModel model, const QString &key, const QString &text);

// Every key, in the order of the documentation table.
const QList<ParamKey> &paramKeys();
const ParamKey *findParamKey(const QString &key);
// The keys of one model, in table order.
QStringList paramKeyNames(ModuleModel model);

using ParamRecord = QMap<QString, QVariant>;

// A module's blocks as read: the stored answers (templates of the writes) and which blocks it
// has. A record holds the keys of the blocks present only.
struct ModuleBlocks
{
    ModuleModel model = ModuleModel::Q2;
    int version = 0; // firmware version as the search answer gives it
    StoredAnswers stored;
    bool hasParam = false;
    bool hasCloud = false;
    bool hasHeartReg = false;
    bool hasHttpd = false;
    int modbusForm = 0;     // 0 none, or the length of the Modbus answer: 1, 4, 87 or 100
    QByteArray modbusShort; // the 1- or 4-byte Modbus answer

    bool hasBlock(KeyBlock block) const;
};

// The record of every key present in `blocks`.
ParamRecord recordFromBlocks(const ModuleBlocks &blocks);

// Checks one change for a module of `model`: the key exists for that model, the value has the
// key's type (a JSON number or a text of digits for Int, true/false/1/0 for Bool, ...), lies in
// its range, and passes the panel's rule for the field. On success `canonical` is the value as
// the record holds it and as a read back shows it ("192.168.000.007" -> "192.168.0.7").
struct ChangeCheck
{
    bool ok = false;
    QVariant canonical;
    QString message; // the user message when !ok
};
ChangeCheck checkChange(ModuleModel model, const QString &key, const QVariant &value);

// Checks every change (stops at the first failure) and returns them in canonical form.
struct ChangesCheck
{
    bool ok = false;
    ParamRecord canonical;
    QString message;
};
ChangesCheck checkChanges(ModuleModel model, const ParamRecord &changes);

// The save of `changes` (canonical, see checkChanges) onto a module's blocks: the records read
// from `blocks`, the changes applied, the module's save plan built inside a copy of the stored
// answers. Only blocks the module sent are written. On success `planned` holds the blocks as
// they will be after the save, and recordFromBlocks(planned) is what a read back must show.
struct PlannedSave
{
    SavePlan plan;
    ModuleBlocks planned;
    QString message; // why the plan was refused (user text), empty otherwise
};
PlannedSave planSave(const ModuleBlocks &blocks, const ParamRecord &changes);

// A value as text: true/false, decimal numbers, texts as they are.
QString valueText(const QVariant &value);
