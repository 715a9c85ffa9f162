#include "BatchPlan.h"

#include "common/CsvText.h"
#include "common/ValueHelpers.h"
#include "lang/LangList.h"

SelectionProblem checkSelection(const QList<DeviceEntry> &rows)
{
    if (rows.isEmpty())
        return SelectionProblem::Empty;
    const int kind = rows.first().kind;
    for (const DeviceEntry &e : rows) {
        if (e.kind != KindQ2 && e.kind != KindQ3)
            return SelectionProblem::Unsupported;
        if (e.kind != kind)
            return SelectionProblem::MixedModels;
    }
    return SelectionProblem::None;
}

std::optional<QStringList> ipSequence(const QString &start, int count)
{
    const QStringList parts = start.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint64 value = 0;
    for (const QString &part : parts) {
        bool ok = false;
        const uint byte = part.toUInt(&ok);
        if (!ok || byte > 255 || part.isEmpty() || part.size() > 3)
            return std::nullopt;
        value = (value << 8) | byte;
    }
    QStringList out;
    while (out.size() < count) {
        if (value >= 0xFFFFFFFFull)
            return std::nullopt;
        const quint8 host = quint8(value & 0xFF);
        if (host != 0 && host != 255)
            out << intToIpText(quint32(value));
        ++value;
    }
    return out;
}

QList<FieldChange> reviewChanges(const FieldValues &current, const FieldValues &wanted)
{
    QList<FieldChange> out;
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        out.append({it.key(), current.value(it.key()), it.value()});
    return out;
}

QString outcomeText(const BatchModuleResult &result)
{
    switch (result.outcome) {
    case BatchOutcome::Pending:
        return langText(QStringLiteral("lang_Batch_Pending"));
    case BatchOutcome::Running:
        return langText(QStringLiteral("lang_Batch_Running"));
    case BatchOutcome::Ok:
        return langText(QStringLiteral("lang_Batch_Ok"));
    case BatchOutcome::Failed:
        return langText(QStringLiteral("lang_Batch_FailedFields")) +
               result.failedKeys.join(QStringLiteral(", "));
    case BatchOutcome::NoAnswer:
        return langText(QStringLiteral("lang_Batch_NoAnswer"));
    case BatchOutcome::Refused:
        return langText(QStringLiteral("lang_Batch_Refused")) + result.message;
    case BatchOutcome::Cancelled:
        return langText(QStringLiteral("lang_Batch_Cancelled"));
    }
    return {};
}

QByteArray batchResultCsv(const QList<BatchModuleResult> &results)
{
    QList<QStringList> rows{{QStringLiteral("MAC"), QStringLiteral("IP"), QStringLiteral("New IP"),
                             QStringLiteral("Result"), QStringLiteral("Failed fields")}};
    for (const BatchModuleResult &r : results) {
        QStringList failed;
        for (const QString &key : r.failedKeys)
            failed << QStringLiteral("%1: %2 -> %3")
                          .arg(key, r.wanted.value(key), r.readBack.value(key));
        rows.append({r.module.mac, r.module.ip, r.wanted.value(QString::fromLatin1(kIpKey)),
                     outcomeText(r), failed.join(QStringLiteral("; "))});
    }
    return csvFileBytes(rows);
}
