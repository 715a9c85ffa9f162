// Any bytes as Proj_Q's own files: Lang.txt read into the language table, Cfg.ini read into the
// settings and written back around the lines the program does not own.

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
    return 0;
}
