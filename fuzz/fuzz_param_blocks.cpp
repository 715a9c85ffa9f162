// Any bytes as each parameter block: parsed into its record, then built back into a copy of
// the same bytes, as a save does with a module's stored answer.

#include "common/ParamBlocks.h"
#include "common/ParamRecords.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

QByteArray sized(const QByteArray &bytes, int size)
{
    QByteArray out = bytes.left(size);
    out.append(QByteArray(size - out.size(), '\0'));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    QByteArray param = sized(bytes, kParamBlockSize);
    const BaseParams base = parseBaseParam(param);
    const PortParams port = parsePortParam(portBlock(param));
    buildQ2Base(base, quint8(param.at(0)), param);
    buildQ2Port(port, quint8(param.at(kPortBlockOffset)), param);
    QByteArray q3 = sized(bytes, kParamBlockSize);
    buildQ3Base(base, q3);
    buildQ3Port(port, q3);

    QByteArray cloud = sized(bytes, kCloudBlockSize);
    buildCloud(parseCloudParam(cloud), cloud);
    QByteArray heart = sized(bytes, kHeartRegBlockSize);
    buildHeartReg(parseHeartReg(heart), heart);
    QByteArray httpd = sized(bytes, kHttpdBlockSize);
    const HttpdParams h = parseHttpd(httpd);
    buildHttpdUrl(h.url, httpd);
    buildHttpdHeader(h.header, httpd);
    QByteArray pack = sized(bytes, kModbusPackBlockSize);
    buildModbusPack(parseModbusPack(pack), pack);
    QByteArray fresh = sized(bytes, kModbusNewBlockSize);
    buildModbusNew(parseModbusNew(fresh), fresh);
    // The short Modbus answer comes in two lengths; any length reaches the parser.
    const ModbusParams shortForm = parseModbusShort(bytes);
    buildModbusShort(shortForm, 1);
    buildModbusShort(shortForm, 4);
    return 0;
}
