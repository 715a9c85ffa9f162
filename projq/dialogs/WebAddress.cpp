#include "WebAddress.h"

#include <QDesktopServices>

namespace {

WebAddressOpener &currentOpener()
{
    static WebAddressOpener opener = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    return opener;
}

} // namespace

bool openWebAddress(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    if (currentOpener())
        currentOpener()(url);
    return true;
}

WebAddressOpener setWebAddressOpener(WebAddressOpener opener)
{
    WebAddressOpener previous = std::move(currentOpener());
    currentOpener() = std::move(opener);
    return previous;
}
