// Any datagram from the LAN through the endpoint's receive path: classified by its length,
// stored as a template and decoded by the block parsers, as the main window does.

#include "common/ParamBlocks.h"
#include "lan/ModuleEndpoint.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static ModuleEndpoint *endpoint = [] {
        auto *e = new ModuleEndpoint;
        QObject::connect(e, &ModuleEndpoint::baseParamsReceived, [](const QByteArray &b, int) {
            parseBaseParam(b);
            parsePortParam(portBlock(b));
        });
        QObject::connect(e, &ModuleEndpoint::cloudParamsReceived,
                         [](const QByteArray &b, int) { parseCloudParam(b); });
        QObject::connect(e, &ModuleEndpoint::heartRegParamsReceived,
                         [](const QByteArray &b, int) { parseHeartReg(b); });
        QObject::connect(e, &ModuleEndpoint::httpdParamsReceived,
                         [](const QByteArray &b) { parseHttpd(b); });
        QObject::connect(e, &ModuleEndpoint::modbusParamsReceived,
                         [](const QByteArray &b, int) { parseModbusShort(b); });
        QObject::connect(e, &ModuleEndpoint::modbusPackParamsReceived,
                         [](const QByteArray &b, int) { parseModbusPack(b); });
        QObject::connect(e, &ModuleEndpoint::modbusNewParamsReceived,
                         [](const QByteArray &b, int) { parseModbusNew(b); });
        return e;
    }();
    const QByteArray datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    // The first byte picks the port the datagram seems to come from: a Q2 or a Q3 module.
    const quint16 port = (size > 0 && (data[0] & 1)) ? 1901 : 1500;
    endpoint->handleDatagram(datagram, QStringLiteral("127.0.0.1"), port, 0);
    return 0;
}
