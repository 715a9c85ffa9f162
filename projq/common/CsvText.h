#pragma once

// CSV text for the files the user opens in a spreadsheet (the device list, batch results).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One cell. A cell that starts like a formula (= + - @, tab, CR) is written as text with a
// leading quote, because its text came from a module and a spreadsheet would run it; a cell
// holding a comma, a double quote or a line break is quoted, its quotes doubled.
QString csvField(QString field);

// The file's bytes: one line per row, cells through csvField, CR LF line ends. UTF-8, with a
// byte-order mark when any text is not ASCII so that spreadsheets read Chinese names correctly.
QByteArray csvFileBytes(const QList<QStringList> &rows);
