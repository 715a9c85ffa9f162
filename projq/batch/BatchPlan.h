#pragma once

// The pure part of a batch apply (no widgets, no sockets): which rows may go together, what each
// module is to get compared with what it holds (the review), and the outcome of each module as
// a table and a CSV file. The values, their checks and the IP run come from the engine.
//
// Values travel as texts keyed by the engine's dotted keys ("net.ip", "port.baud"), in the
// form the panel shows them; a template is a set of such pairs.

#include "lan/LanFrames.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

using FieldValues = QMap<QString, QString>; // dotted key -> text

// Why the selected rows cannot be applied to together; empty when they can.
enum class SelectionProblem { None, Empty, Unsupported, MixedModels };
SelectionProblem checkSelection(const QList<DeviceEntry> &rows);

// The key of the module's static IP, which the IP run sets.
inline constexpr char kIpKey[] = "net.ip";

// One field of one module in the review: what it holds and what it is to get.
struct FieldChange
{
    QString key;
    QString oldText;
    QString newText;
    bool changes() const { return oldText != newText; }
};

// The fields `wanted` sets, against what the module holds now (`current`), in key order.
QList<FieldChange> reviewChanges(const FieldValues &current, const FieldValues &wanted);

// What one module ended with.
enum class BatchOutcome {
    Pending,   // not reached yet
    Running,   // its plan is on the wire
    Ok,        // read back equal in every field set
    Failed,    // read back, but some fields differ (failedKeys)
    NoAnswer,  // did not answer a read, before or after the save
    Refused,   // the values were refused before anything was sent (message)
    Cancelled, // never started: the run was cancelled before it
};

struct BatchModuleResult
{
    DeviceEntry module;
    FieldValues wanted;
    BatchOutcome outcome = BatchOutcome::Pending;
    QStringList failedKeys; // for Failed: the keys whose value read back differs
    FieldValues readBack;   // what the read after the restart gave, for the failed keys
    QString message;        // for Refused and NoAnswer: the reason in words
};

// The outcome in words, through the language table.
QString outcomeText(const BatchModuleResult &result);

// The result table as a CSV file: MAC, IP, new IP, outcome, failed fields (key: wanted → read).
QByteArray batchResultCsv(const QList<BatchModuleResult> &results);
