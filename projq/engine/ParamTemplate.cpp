#include "ParamTemplate.h"

#include "common/ValueHelpers.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

QJsonValue jsonValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return double(v.toLongLong());
    default:
        return v.isValid() ? QJsonValue(v.toString()) : QJsonValue(QJsonValue::Null);
    }
}

} // namespace

QJsonObject recordToJson(const ParamRecord &record)
{
    QJsonObject o;
    for (auto it = record.cbegin(); it != record.cend(); ++it)
        o.insert(it.key(), jsonValue(it.value()));
    return o;
}

std::optional<ParamRecord> recordFromJson(const QJsonObject &object, ModuleModel model,
                                          QString *error)
{
    ParamRecord raw;
    for (auto it = object.begin(); it != object.end(); ++it)
        raw.insert(it.key(), it.value().toVariant());
    const ChangesCheck c = checkChanges(model, raw);
    if (!c.ok) {
        if (error)
            *error = c.message;
        return std::nullopt;
    }
    return c.canonical;
}

QByteArray templateToJson(const ParamTemplate &tpl)
{
    QJsonObject o;
    o.insert(QStringLiteral("model"), modelName(tpl.model));
    o.insert(QStringLiteral("fields"), recordToJson(tpl.fields));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

std::optional<ParamTemplate> templateFromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    auto fail = [error](const QString &why) -> std::optional<ParamTemplate> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (doc.isNull())
        return fail(QStringLiteral("not JSON: %1").arg(parseError.errorString()));
    if (!doc.isObject())
        return fail(QStringLiteral("a template is a JSON object"));
    const QJsonObject o = doc.object();
    const auto model = modelFromName(o.value(QStringLiteral("model")).toString());
    if (!model)
        return fail(QStringLiteral("\"model\" must be \"Q2\" or \"Q3\""));
    if (!o.value(QStringLiteral("fields")).isObject())
        return fail(QStringLiteral("\"fields\" must be an object of keys and values"));
    QString why;
    const auto fields = recordFromJson(o.value(QStringLiteral("fields")).toObject(), *model, &why);
    if (!fields)
        return fail(why);
    return ParamTemplate{*model, *fields};
}

bool saveTemplateFile(const QString &path, const ParamTemplate &tpl, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(templateToJson(tpl)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

std::optional<ParamTemplate> loadTemplateFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // A template is a few kilobytes; a huge file is not one.
    if (file.size() > 1024 * 1024) {
        if (error)
            *error = QStringLiteral("%1: too large for a template").arg(path);
        return std::nullopt;
    }
    return templateFromJson(file.readAll(), error);
}

std::optional<QString> addressPlus(const QString &start, int n)
{
    const QStringList parts = start.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4 || n < 0)
        return std::nullopt;
    quint64 value = 0;
    for (const QString &p : parts) {
        bool ok = false;
        const uint v = p.toUInt(&ok);
        if (!ok || v > 255 || p.isEmpty())
            return std::nullopt;
        value = (value << 8) | v;
    }
    value += quint64(n);
    if (value > 0xFFFFFFFFull)
        return std::nullopt;
    return intToIpText(quint32(value));
}

std::optional<QList<BatchItem>> batchFromTemplate(const ParamTemplate &tpl,
                                                  const QList<DeviceEntry> &modules,
                                                  const QString &ipFrom, QString *error)
{
    QList<BatchItem> items;
    for (int i = 0; i < modules.size(); ++i) {
        BatchItem item{modules.at(i), tpl.fields};
        if (!ipFrom.isEmpty()) {
            const auto ip = addressPlus(ipFrom, i);
            if (!ip) {
                if (error)
                    *error = QStringLiteral("%1 + %2 is not an address").arg(ipFrom).arg(i);
                return std::nullopt;
            }
            item.changes.insert(QStringLiteral("net.ip"), *ip);
            item.changes.insert(QStringLiteral("net.static"), true);
        }
        items.append(item);
    }
    return items;
}

QJsonObject resultToJson(const ModuleResult &result)
{
    QJsonObject o;
    o.insert(QStringLiteral("mac"), result.mac);
    o.insert(QStringLiteral("outcome"), outcomeName(result.outcome));
    if (!result.message.isEmpty())
        o.insert(QStringLiteral("message"), result.message);
    if (result.blocks.hasParam)
        o.insert(QStringLiteral("model"), modelName(result.blocks.model));
    const ParamRecord &record = result.after.isEmpty() ? result.before : result.after;
    if (!record.isEmpty())
        o.insert(QStringLiteral("record"), recordToJson(record));
    if (!result.changes.isEmpty())
        o.insert(QStringLiteral("changes"), recordToJson(result.changes));
    QJsonArray mismatches;
    for (const FieldMismatch &m : result.mismatches) {
        QJsonObject f;
        f.insert(QStringLiteral("key"), m.key);
        f.insert(QStringLiteral("wanted"), jsonValue(m.wanted));
        f.insert(QStringLiteral("got"), jsonValue(m.got));
        mismatches.append(f);
    }
    if (!mismatches.isEmpty())
        o.insert(QStringLiteral("mismatches"), mismatches);
    o.insert(QStringLiteral("elapsed_ms"), double(result.elapsedMs));
    return o;
}
