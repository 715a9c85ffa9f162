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
