#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Hands a web address to the system's browser. Only http and https addresses are opened, so that
// an edited language file cannot make a click start a program. False when the address was not
// handed on; whether the browser then shows it is not reported.
bool openWebAddress(const QString &address);

// The one place that reaches the system. Tests install a recorder so that no browser starts;
// returns the function that was installed before.
using WebAddressOpener = std::function<void(const QUrl &)>;
WebAddressOpener setWebAddressOpener(WebAddressOpener opener);
