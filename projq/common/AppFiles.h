#pragma once

#include <QByteArray>
#include <QString>

// The folder that holds Cfg.ini, Lang.txt, DataSelf.txt and the exports: the executable's folder
// when it is writable, else the per-user application data folder. Every file path goes through
// here. X7_FILES_DIR overrides it (tests point it at a temporary folder).
QString programFileFolder();
QString programFilePath(const QString &fileName);

// Replaces `path` whole and atomically with `bytes`; false when it could not be written, with the
// system's reason in `error` when given. `ownerOnly` makes the file readable and writable by its
// owner only (files holding a password).
bool writeFileAtomically(const QString &path, const QByteArray &bytes, bool ownerOnly = false,
                         QString *error = nullptr);

// The whole file, or an empty array when it is missing or unreadable.
QByteArray readWholeFile(const QString &path);
