#pragma once

// A template: a model and the values of some keys, as the window's "Save as template" writes it
// and the batch apply and x7ctl read it. JSON, UTF-8:
//
//   {"model": "Q2", "fields": {"port.baud": 9600, "net.static": true, "net.mask": "255.255.255.0"}}
//
// Bool values are JSON booleans, Int values JSON numbers (a text of digits is accepted too),
// every other type a string. Loading checks every key and value (checkChanges) and fails with
// the first refusal.

#include "engine/ModuleEngine.h"
#include "engine/ParamKeys.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

struct ParamTemplate
{
    ModuleModel model = ModuleModel::Q2;
    ParamRecord fields;
};

// A record as a JSON object (keys sorted) and back (values checked, canonical).
QJsonObject recordToJson(const ParamRecord &record);
std::optional<ParamRecord> recordFromJson(const QJsonObject &object, ModuleModel model,
                                          QString *error);

QByteArray templateToJson(const ParamTemplate &tpl);
std::optional<ParamTemplate> templateFromJson(const QByteArray &json, QString *error);
// Written whole and atomically (the old file stays when writing fails).
bool saveTemplateFile(const QString &path, const ParamTemplate &tpl, QString *error);
std::optional<ParamTemplate> loadTemplateFile(const QString &path, QString *error);

// The IPv4 address `n` above `start` ("192.168.0.250" + 7 = "192.168.1.1"); nullopt for a
// start that is not an address or a result past 255.255.255.255.
std::optional<QString> addressPlus(const QString &start, int n);

// One batch item per module: the template's fields, and with `ipFrom` set, net.ip counting up
// from it in the order given (and net.static set true). Fails (nullopt, `error`) when an address
// runs past the end of the address space.
std::optional<QList<BatchItem>> batchFromTemplate(const ParamTemplate &tpl,
                                                  const QList<DeviceEntry> &modules,
                                                  const QString &ipFrom, QString *error);

// A result as JSON: {"mac", "outcome", "message", "record" (after, or before), "mismatches":
// [{"key","wanted","got"}]}.
QJsonObject resultToJson(const ModuleResult &result);
