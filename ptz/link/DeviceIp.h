#pragma once

#include <QString>

// The device number doubles as the last octet of the network device's address: 192.168.1.20 and
// device 7 give 192.168.1.7, "192.168" gives 192.168.0.7, an empty text 0.0.0.7. The text comes
// back unchanged when it has more than four parts, a part that is not a number 0..255, or when
// the number is above 255.
QString setDeviceIpFromNumber(const QString &ipText, int deviceNumber);
