#include "Settings.h"

#include "IniText.h"
#include "lang/LangList.h"
#include "textfiles/TextFiles.h"

namespace {

const QString kSection = QStringLiteral("System");

QString boolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

// Any stored value other than 0 is true; an empty value keeps the default.
bool readBool(const IniText &ini, const QString &key, bool fallback)
{
    const auto text = ini.value(kSection, key);
    if (!text || text->isEmpty())
        return fallback;
    bool isNumber = false;
    const qlonglong number = text->toLongLong(&isNumber);
    return !isNumber || number != 0;
}

int readInt(const IniText &ini, const QString &key, int fallback)
{
    const auto text = ini.value(kSection, key);
    if (!text)
        return fallback;
    bool ok = false;
    const int number = text->toInt(&ok);
    return ok ? number : fallback;
}

QString readText(const IniText &ini, const QString &key, const QString &fallback)
{
    return ini.value(kSection, key).value_or(fallback);
}

QString readSettingsText()
{
    return TextFiles::decode(TextFiles::readAll(settingsFilePath()));
}

bool writeSettingsText(const QString &text)
{
    return TextFiles::writeAtomically(settingsFilePath(), TextFiles::encode(text), true);
}

} // namespace

AppSettings defaultSettings()
{
    AppSettings settings;
    settings.language = LangList::systemIsChinese();
    return settings;
}

AppSettings settingsFromIni(const QString &iniText, const AppSettings &defaults)
{
    const IniText ini(iniText);
    AppSettings s = defaults;
    s.language = readBool(ini, QStringLiteral("Language"), defaults.language);
    s.realTimeHelp = readBool(ini, QStringLiteral("RealTimeHelp"), defaults.realTimeHelp);
    s.localCom = readText(ini, QStringLiteral("LocalCom"), defaults.localCom);
    s.qNum = readInt(ini, QStringLiteral("QNum"), defaults.qNum);
    s.filePath = readText(ini, QStringLiteral("FilePath"), defaults.filePath);
    s.upgradeIP = readText(ini, QStringLiteral("UpgradeIP"), defaults.upgradeIP);
    s.upgradeMAC = readText(ini, QStringLiteral("UpgradeMAC"), defaults.upgradeMAC);
    s.upgradeFileName = readText(ini, QStringLiteral("UpgradeFileName"), defaults.upgradeFileName);
    return s;
}

QString settingsToIni(const AppSettings &s, const QString &existingIniText)
{
    IniText ini(existingIniText);
    ini.setValue(kSection, QStringLiteral("Language"), boolText(s.language));
    ini.setValue(kSection, QStringLiteral("RealTimeHelp"), boolText(s.realTimeHelp));
    ini.setValue(kSection, QStringLiteral("LocalCom"), s.localCom);
    ini.setValue(kSection, QStringLiteral("QNum"), QString::number(s.qNum));
    ini.setValue(kSection, QStringLiteral("UserName"), s.userName);
    ini.setValue(kSection, QStringLiteral("Password"), s.password);
    ini.setValue(kSection, QStringLiteral("UpgradeIP"), s.upgradeIP);
    ini.setValue(kSection, QStringLiteral("UpgradeMAC"), s.upgradeMAC);
    ini.setValue(kSection, QStringLiteral("UpgradeFileName"), s.upgradeFileName);
    ini.setValue(kSection, QStringLiteral("FilePath"), s.filePath);
    return ini.toString();
}

int modelFromQNum(int qNum)
{
    return (qNum >= 1 && qNum <= 3) ? qNum : 1;
}

QString settingsFilePath()
{
    return TextFiles::path(QStringLiteral("Cfg.ini"));
}

AppSettings loadSettings(const AppSettings &defaults)
{
    return settingsFromIni(readSettingsText(), defaults);
}

bool saveSettings(const AppSettings &settings)
{
    return writeSettingsText(settingsToIni(settings, readSettingsText()));
}

bool saveLanguageSetting(bool isChinese)
{
    IniText ini(readSettingsText());
    ini.setValue(kSection, QStringLiteral("Language"), boolText(isChinese));
    return writeSettingsText(ini.toString());
}
