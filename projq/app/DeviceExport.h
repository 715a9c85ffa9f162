#pragma once

// The device list as a CSV file: "IP,Name,MAC,Ver" and one line per module, CR LF line ends.

#include "lan/LanFrames.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

// The file's bytes. A field holding a comma, a double quote or a line break is quoted (doubling
// its quotes) so that a spreadsheet reads it back as one field; other fields are written as they
// are. The text is UTF-8; a file holding any non-ASCII text starts with a byte-order mark so that
// spreadsheets read its Chinese names correctly.
QByteArray buildDeviceCsv(const QVector<DeviceEntry> &rows);

// "<folder>/<title> yyyyMMdd hhmmss - (<rows>).csv"
QString deviceExportFileName(const QString &folder, const QString &title, const QDateTime &when,
                             int rowCount);
