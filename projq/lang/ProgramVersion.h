#pragma once

#include <QString>

// The program's version as four decimal numbers joined by "." (for example "1.0.0.1"), from the
// version set in the build; empty when the build set none.
QString programVersionText();

// `version` ("1.2", "1.2.3.4") completed to four parts with zeros; empty stays empty.
QString fourPartVersion(const QString &version);
