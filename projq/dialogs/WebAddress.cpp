#include "WebAddress.h"

#include <QDesktopServices>

namespace {

WebAddressOpener &Opener()
{
    static WebAddressOpener opener = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    return opener;
}

} // namespace

bool OpenWebAddress(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    if (Opener())
        Opener()(url);
    return true;
}

WebAddressOpener SetWebAddressOpener(WebAddressOpener opener)
{
    WebAddressOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}
