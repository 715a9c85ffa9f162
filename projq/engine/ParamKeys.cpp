#include "ParamKeys.h"

#include "ParamKeyTable.h"

#include "common/ParamBlocks.h"
#include "common/TextCodec.h"
#include "common/ValueHelpers.h"
#include "lang/LangList.h"

#include <QHash>

namespace {

const QList<KeyImpl> &table()
{
    return paramKeyTable();
}

const KeyImpl *findImpl(const QString &key)
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (int i = 0; i < table().size(); ++i)
            h.insert(table().at(i).info.key, i);
        return h;
    }();
    const int i = index.value(key, -1);
    return i >= 0 ? &table().at(i) : nullptr;
}

quint32 le32(const QByteArray &b, int offset)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | (offset + i < b.size() ? quint8(b.at(offset + i)) : 0u);
    return v;
}

Records recordsOf(const ModuleBlocks &blocks)
{
    Records r;
    const QByteArray &param = blocks.stored.param;
    r.base = parseBaseParam(param);
    const QByteArray port = portBlock(param);
    r.port = parsePortParam(port);
    if (blocks.model == ModuleModel::Q3) {
        // A Q3 keeps its packing length in port bytes 52-55, its server count and style in 58.
        r.port.packLength = int(le32(port, 52) & 0x7FFFFFFF);
        const int countAndStyle = quint8(port.at(58));
        r.port.tcpServerCount = countAndStyle >> 4;
        r.port.tcpStyle = countAndStyle & 0x0F;
    }
    r.cloud = parseCloudParam(blocks.stored.cloud);
    r.heart = parseHeartReg(blocks.stored.heartReg);
    r.httpd = parseHttpd(blocks.stored.httpd);
    r.modbusShort = parseModbusShort(blocks.modbusShort);
    r.pack = parseModbusPack(blocks.stored.modbusPack);
    r.modbusNew = parseModbusNew(blocks.stored.modbusNew);
    return r;
}

} // namespace

QString keyLabel(const ParamKey &k)
{
    if (k.labelKey.isEmpty())
        return k.key;
    if (!k.labelKey.startsWith(QLatin1String("lang_")))
        return k.labelKey;
    return langText(k.labelKey);
}

namespace {

QString notNumber(const QString &label)
{
    return label + langText(QStringLiteral("lang_IsNotNum"));
}

bool onlyDigits(const QString &text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

std::optional<bool> boolValue(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong ||
        v.typeId() == QMetaType::Int) {
        const double d = v.toDouble();
        if (d == 0 || d == 1)
            return d == 1;
        return std::nullopt;
    }
    const QString t = v.toString().trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes") ||
        t == QLatin1String("on"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("no") ||
        t == QLatin1String("off"))
        return false;
    return std::nullopt;
}

// A value given for an Int key as the text a panel field would hold.
QString intText(const QVariant &v)
{
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (d >= 0 && d == double(qint64(d)))
            return QString::number(qint64(d));
        return v.toString(); // refused by the digit check
    }
    return v.toString();
}

} // namespace

QString modelName(ModuleModel model)
{
    return model == ModuleModel::Q2 ? QStringLiteral("Q2") : QStringLiteral("Q3");
}

std::optional<ModuleModel> modelFromName(const QString &name)
{
    const QString n = name.trimmed().toUpper();
    if (n == QLatin1String("Q2"))
        return ModuleModel::Q2;
    if (n == QLatin1String("Q3"))
        return ModuleModel::Q3;
    return std::nullopt;
}

QString keyTypeName(KeyType type)
{
    switch (type) {
    case KeyType::Bool:
        return QStringLiteral("bool");
    case KeyType::Int:
        return QStringLiteral("int");
    case KeyType::Text:
        return QStringLiteral("text");
    case KeyType::Ip:
        return QStringLiteral("ip");
    case KeyType::Mac:
        return QStringLiteral("mac");
    case KeyType::Choice:
        return QStringLiteral("choice");
    }
    return QString();
}

QString keyFieldMessage(ModuleModel model, const QString &key, const QString &text)
{
    const ParamKey *k = findParamKey(key);
    return k ? fieldRuleMessage(text, keyLabel(*k), k->rule(model)) : QString();
}

QString fieldRuleMessage(const QString &text, const QString &label, const FieldRule &rule)
{
    const QString trimmed = text.trimmed();
    if (rule.notEmpty && trimmed.isEmpty())
        return label + langText(QStringLiteral("lang_IsNull"));
    if (!rule.digits)
        return QString();
    if (!onlyDigits(trimmed) || (rule.maxDigits > 0 && trimmed.size() > rule.maxDigits))
        return notNumber(label);
    if (rule.max > 0) {
        const auto value = decimalFieldValue(trimmed);
        if (!value || *value > rule.max)
            return notNumber(label);
    }
    return QString();
}

const QList<ParamKey> &paramKeys()
{
    static const QList<ParamKey> keys = [] {
        QList<ParamKey> k;
        for (const KeyImpl &i : table())
            k.append(i.info);
        return k;
    }();
    return keys;
}

const ParamKey *findParamKey(const QString &key)
{
    const KeyImpl *i = findImpl(key);
    return i ? &i->info : nullptr;
}

QStringList paramKeyNames(ModuleModel model)
{
    QStringList names;
    for (const ParamKey &k : paramKeys())
        if (k.inModel(model))
            names << k.key;
    return names;
}

bool ModuleBlocks::hasBlock(KeyBlock block) const
{
    switch (block) {
    case KeyBlock::Param:
        return hasParam;
    case KeyBlock::Cloud:
        return hasCloud;
    case KeyBlock::HeartReg:
        return hasHeartReg;
    case KeyBlock::Httpd:
        return hasHttpd;
    case KeyBlock::ModbusShort:
        return modbusForm == 1 || modbusForm == 4;
    case KeyBlock::ModbusPoll:
        return modbusForm == 4;
    case KeyBlock::ModbusPack:
        return modbusForm == 87;
    case KeyBlock::ModbusNew:
        return modbusForm == 100;
    }
    return false;
}

ParamRecord recordFromBlocks(const ModuleBlocks &blocks)
{
    ParamRecord record;
    const Records r = recordsOf(blocks);
    for (const KeyImpl &k : table()) {
        if (k.info.inModel(blocks.model) && blocks.hasBlock(k.info.block))
            record.insert(k.info.key, k.get(r));
    }
    return record;
}

ChangeCheck checkChange(ModuleModel model, const QString &key, const QVariant &value)
{
    ChangeCheck out;
    const ParamKey *k = findParamKey(key);
    if (!k || !k->inModel(model)) {
        out.message =
            QStringLiteral("%1: not a parameter of a %2 module").arg(key, modelName(model));
        return out;
    }
    const QString label = keyLabel(*k);
    const FieldRule &rule = k->rule(model);
    switch (k->type) {
    case KeyType::Bool: {
        const auto b = boolValue(value);
        if (!b) {
            out.message = QStringLiteral("%1: true or false").arg(key);
            return out;
        }
        out.canonical = *b;
        break;
    }
    case KeyType::Int: {
        const QString text = intText(value);
        FieldRule typed = rule;
        typed.digits = true; // a number key always takes digits only
        if (QString m = fieldRuleMessage(text, label, typed); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        const QString digits = text.trimmed();
        bool ok = false;
        const qint64 v = digits.toLongLong(&ok);
        const qint64 max = model == ModuleModel::Q3 && k->q3Max >= 0 ? k->q3Max : k->max;
        if (digits.isEmpty() || !ok || v < k->min || v > max) {
            out.message = notNumber(label);
            return out;
        }
        out.canonical = qlonglong(v);
        break;
    }
    case KeyType::Text: {
        if (value.typeId() == QMetaType::Bool || value.typeId() == QMetaType::QVariantMap ||
            value.typeId() == QMetaType::QVariantList) {
            out.message = QStringLiteral("%1: a text").arg(key);
            return out;
        }
        const QString text = value.toString();
        if (QString m = fieldRuleMessage(text, label, rule); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        if (k->maxBytes > 0) {
            const int bytes = int(textToField(text, 1024).indexOf('\0'));
            if (key == QLatin1String("cloud.device_id") && !isCloudDeviceIdValid(text)) {
                out.message = langText(QStringLiteral("lang_DeviceId"));
                return out;
            }
            if (key == QLatin1String("cloud.comm_code") && !isCloudCommCodeValid(text)) {
                out.message = langText(QStringLiteral("lang_CommCode"));
                return out;
            }
            if (bytes > k->maxBytes) {
                out.message =
                    QStringLiteral("%1: at most %2 bytes (GB18030)").arg(label).arg(k->maxBytes);
                return out;
            }
        }
        out.canonical = text;
        break;
    }
    case KeyType::Ip: {
        const QString text = value.toString();
        if (QString m = fieldRuleMessage(text, label, rule); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        const QStringList parts = removeSpaces(text).split(QLatin1Char('.'));
        bool good = parts.size() == 4;
        for (const QString &p : parts) {
            bool ok = false;
            good = good && !p.isEmpty() && onlyDigits(p) && p.toUInt(&ok) <= 255 && ok;
        }
        const auto bytes = good ? ipTextToBytes(text) : std::nullopt;
        if (!bytes) {
            out.message = notNumber(label);
            return out;
        }
        out.canonical = ipBytesToText(*bytes);
        break;
    }
    case KeyType::Mac: {
        const QString text = value.toString();
        if (QString m = fieldRuleMessage(text, label, rule); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        const auto bytes = macTextToBytes(text);
        if (!bytes || removeSpaces(text).size() != 12) {
            out.message = notNumber(label);
            return out;
        }
        out.canonical = macBytesToText(*bytes);
        break;
    }
    case KeyType::Choice: {
        const QString text = value.toString().trimmed().toLower();
        if (!k->choices.contains(text)) {
            out.message =
                QStringLiteral("%1: one of %2").arg(key, k->choices.join(QStringLiteral(", ")));
            return out;
        }
        out.canonical = text;
        break;
    }
    }
    out.ok = true;
    return out;
}

ChangesCheck checkChanges(ModuleModel model, const ParamRecord &changes)
{
    ChangesCheck out;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const ChangeCheck c = checkChange(model, it.key(), it.value());
        if (!c.ok) {
            out.message = c.message;
            return out;
        }
        out.canonical.insert(it.key(), c.canonical);
    }
    out.ok = true;
    return out;
}

PlannedSave planSave(const ModuleBlocks &blocks, const ParamRecord &changes)
{
    PlannedSave out;
    out.planned = blocks;
    Records r = recordsOf(blocks);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const KeyImpl *k = findImpl(it.key());
        if (!k || !k->info.inModel(blocks.model)) {
            out.message = QStringLiteral("%1: not a parameter of a %2 module")
                              .arg(it.key(), modelName(blocks.model));
            out.plan.refusal = SaveRefusal::Validation;
            return out;
        }
        if (!blocks.hasBlock(k->info.block)) {
            out.message = QStringLiteral("%1: the module did not send this block").arg(it.key());
            out.plan.refusal = SaveRefusal::Validation;
            return out;
        }
        k->set(r, it.value());
    }

    // Ticking or clearing a data field's "Hex" converts the field's text, as the panel does.
    const Records read = recordsOf(blocks);
    if (r.heart.heartDataHex != read.heart.heartDataHex &&
        !changes.contains(QStringLiteral("heart.data")))
        r.heart.heartData = r.heart.heartDataHex ? plainToHexField(r.heart.heartData)
                                                 : hexToPlainField(r.heart.heartData);
    if (r.heart.regDataHex != read.heart.regDataHex &&
        !changes.contains(QStringLiteral("reg.data")))
        r.heart.regData = r.heart.regDataHex ? plainToHexField(r.heart.regData)
                                             : hexToPlainField(r.heart.regData);

    StoredAnswers work = blocks.stored;
    if (blocks.model == ModuleModel::Q3) {
        out.plan = buildQ3SavePlan(r.base, r.port, work);
    } else {
        Q2SaveInput in;
        in.base = r.base;
        in.upnpPortKnown = blocks.hasParam;
        in.port = r.port;
        in.cloud = r.cloud;
        in.heartReg = r.heart;
        // Only the blocks the module sent are written: never a block built on zeros.
        in.httpdVisible = blocks.hasHttpd;
        in.httpd = r.httpd;
        in.modbusShortVisible = blocks.hasBlock(KeyBlock::ModbusShort);
        in.modbusShortForm = blocks.modbusForm == 4 ? 4 : 1;
        in.modbusShort = r.modbusShort;
        in.modbusPackVisible = blocks.modbusForm == 87;
        in.modbusPack = r.pack;
        in.modbusNewVisible = blocks.modbusForm == 100;
        in.modbusNew = r.modbusNew;
        in.version =
            blocks.hasHeartReg ? blocks.version : qMin(blocks.version, kFirstExtendedVersion - 1);
        out.plan = buildQ2SavePlan(in, work);
        if (!out.plan.refused() && in.modbusShortVisible) {
            if (const auto m = buildModbusShort(in.modbusShort, in.modbusShortForm))
                out.planned.modbusShort = *m;
        }
    }
    if (out.plan.refused()) {
        const ParamKey *bad = nullptr;
        static const QHash<QString, QString> fieldKeys = {{"Ip", "net.ip"},
                                                          {"Gateway", "net.gateway"},
                                                          {"Mask", "net.mask"},
                                                          {"Dns", "net.dns"},
                                                          {"UserMac", "dev.user_mac"},
                                                          {"HeartData", "heart.data"},
                                                          {"RegData", "reg.data"},
                                                          {"PollTime", "modbus.poll_time"},
                                                          {"Timeout", "modbus.pack_timeout"},
                                                          {"Interval", "modbus.pack_interval"}};
        if (out.plan.refusal == SaveRefusal::BadField)
            bad = findParamKey(fieldKeys.value(out.plan.badField));
        out.message = bad ? notNumber(keyLabel(*bad))
                          : QStringLiteral("not saved: the module's parameters were not read");
        return out;
    }
    out.planned.stored = work;
    return out;
}

QString valueText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toString();
}
