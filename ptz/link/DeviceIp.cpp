#include "link/DeviceIp.h"

#include "protocol/PtzFrames.h"

#include <QStringList>

#include <array>

QString setDeviceIpFromNumber(const QString &ipText, int deviceNumber)
{
    if (deviceNumber < 0 || deviceNumber > 255)
        return ipText;
    const QStringList parts = ipText.isEmpty() ? QStringList() : ipText.split(QLatin1Char('.'));
    if (parts.size() > 4)
        return ipText;
    std::array<int, 4> bytes{0, 0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        const auto byte = byteFromSelectorText(parts.at(i));
        if (!byte)
            return ipText;
        bytes[size_t(i)] = *byte;
    }
    bytes[3] = deviceNumber;
    return QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}
