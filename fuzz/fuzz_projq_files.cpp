// Any bytes as Proj_Q's own files: Lang.txt read into the language table, Cfg.ini read into the
// settings and written back around the lines the program does not own.

#include "appcore/IniText.h"
#include "appcore/Settings.h"
#include "lang/LangFile.h"
#include "textfiles/TextFiles.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    QBuffer lang;
    lang.setData(bytes);
    lang.open(QIODevice::ReadOnly);
    const QList<LangEntry> entries = readLangEntries(lang);
    formatLangFile(entries);

    const QString ini = TextFiles::decode(bytes);
    const AppSettings settings = settingsFromIni(ini, defaultSettings());
    const QString written = settingsToIni(settings, ini);
    // What was written reads back as the same settings.
    const AppSettings again = settingsFromIni(written, defaultSettings());
    if (settingsToIni(again, written) != written)
        __builtin_trap();

    // The file as bytes: read and written back untouched, it is the same bytes; with one key of
    // ours changed, the key reads back as written.
    IniText file = IniText::fromBytes(bytes);
    if (file.toBytes() != bytes)
        __builtin_trap();
    file.setValue(QStringLiteral("System"), QStringLiteral("QNum"), QStringLiteral("3"));
    const IniText reread = IniText::fromBytes(file.toBytes());
    if (reread.value(QStringLiteral("System"), QStringLiteral("QNum")) != QStringLiteral("3"))
        __builtin_trap();
    return 0;
}
