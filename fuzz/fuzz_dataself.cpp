// Any bytes as DataSelf.txt, the data-debugging window's command file: read from disk as the
// window reads it, cut into its fifty rows, each row's command turned into the bytes it sends
// and its delay read; then the rows written back as the window writes them.

#include "datadebug/CommandRows.h"
#include "datadebug/DataDebugFiles.h"
#include "textfiles/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

bool holdsControl(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace CommandRows;
    // In memory where the system has it: opening a file on disk costs more than the rest.
    static QTemporaryDir dir((QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm")
                                  : QDir::tempPath()) +
                             QStringLiteral("/fuzz_dataself-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("DataSelf.txt"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(bytes);
    }
    const QString defaultName = QStringLiteral("Row");
    const QList<Row> rows = rowsFromFileText(DataDebugFiles::read(path), defaultName);
    check(rows.size() == kRowCount);

    for (const Row &row : rows) {
        check(fitsFileField(row.name) && fitsFileField(row.command));
        if (row == clearedRow(defaultName))
            continue; // no line gave it
        rowPayload(row);
        if (const auto ms = delayMs(row.delay))
            check(*ms >= 0 && *ms <= kMaxDelayMs);
        if (row.hex) {
            if (const auto payload = hexToBytes(row.command)) {
                check(hexToBytes(bytesToHex(*payload, QStringLiteral(" "))) == payload);
                check(!holdsControl(bytesToShownText(*payload)));
            }
            // Unticking "Hex" gives a text that sends the same bytes, or leaves the row as it is.
            if (const auto text = hexCommandToText(row.command)) {
                check(fitsFileField(*text) && !holdsControl(*text));
                check(textToBytes(*text) == hexToBytes(row.command));
            }
        } else {
            // Ticking and unticking "Hex" gives the text back, or leaves the row a hex row.
            const QString hex = textToHexCommand(row.command);
            check(hexToBytes(hex) == textToBytes(row.command));
            if (const auto text = hexCommandToText(hex))
                check(*text == row.command);
        }
    }

    // The rows written and read again are the same rows, and written again the same bytes.
    const QByteArray written = TextFiles::encodeLines(fileLines(rows));
    const QList<Row> again = rowsFromFileText(TextFiles::decode(written), defaultName);
    check(TextFiles::encodeLines(fileLines(again)) == written);
    if (TextFiles::isValidUtf8(bytes))
        check(again == rows);
    return 0;
}
