#pragma once

// Plain file access for tests: they judge what a program left on disk by the bytes themselves,
// not through the program's own file layer.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// The file's bytes, or empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Puts a fixture on disk; the calling test fails when it cannot.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}
