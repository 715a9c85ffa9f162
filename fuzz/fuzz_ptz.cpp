// Any bytes as what the pan-tilt head sends (one arrival at a time) and as the console's files
// (123.ini, 321.ini, 322.ini), then the schedule rows armed from the lines read.

#include "protocol/PtzReply.h"
#include "schedules/ScheduleCheck.h"
#include "schedules/ScheduleFiles.h"

#include <QBuffer>
#include <QDateTime>

#include <cstddef>
#include <cstdint>

namespace {

void openOn(QBuffer &buffer, const QByteArray &bytes)
{
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The head's bytes in two arrivals, split where the first byte says.
    const qsizetype cut = size > 0 ? qsizetype(data[0]) % (qsizetype(size) + 1) : 0;
    parseReply(bytes.left(cut));
    parseReply(bytes.mid(cut));

    QBuffer ip;
    openOn(ip, bytes);
    readDeviceIpFile(ip);
    QList<bool> marks(99, false);
    QBuffer marksFile;
    openOn(marksFile, bytes);
    readScheduleMarks(marksFile, marks);
    QStringList lines(99);
    QBuffer linesFile;
    openOn(linesFile, bytes);
    readScheduleLines(linesFile, lines);

    const QDateTime now(QDate(2026, 12, 10), QTime(23, 59, 59));
    QList<ScheduleRowState> rows;
    for (int n = 0; n < lines.size(); ++n) {
        ScheduleRowState row{lines.at(n), marks.at(n), {}, {}};
        armFromLine(row, now);
        scheduleMotionMode(row.line);
        rows.append(row);
    }
    checkSchedules(rows, now.addSecs(1));
    return 0;
}
