#include "Settings.h"

#include "IniText.h"
#include "common/AppFiles.h"
#include "common/TextCodec.h"
#include "lang/LangList.h"

namespace {

const QString kSection = QStringLiteral("System");

QString BoolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

// Any stored value other than 0 is true; an empty value keeps the default.
bool ReadBool(const IniText &ini, const QString &key, bool fallback)
{
    const auto text = ini.value(kSection, key);
    if (!text || text->isEmpty())
        return fallback;
    bool isNumber = false;
    const qlonglong number = text->toLongLong(&isNumber);
    return !isNumber || number != 0;
}

int ReadInt(const IniText &ini, const QString &key, int fallback)
{
    const auto text = ini.value(kSection, key);
    if (!text)
        return fallback;
    bool ok = false;
    const int number = text->toInt(&ok);
    return ok ? number : fallback;
}

QString ReadText(const IniText &ini, const QString &key, const QString &fallback)
{
    return ini.value(kSection, key).value_or(fallback);
}

QString ReadSettingsText()
{
    return DecodeFileText(ReadWholeFile(SettingsFilePath()));
}

bool WriteSettingsText(const QString &text)
{
    return WriteFileAtomically(SettingsFilePath(), text.toUtf8(), true);
}

} // namespace

AppSettings DefaultSettings()
{
    AppSettings settings;
    settings.language = TLangList::SystemIsChinese();
    return settings;
}

AppSettings SettingsFromIni(const QString &iniText, const AppSettings &defaults)
{
    const IniText ini(iniText);
    AppSettings s = defaults;
    s.language = ReadBool(ini, QStringLiteral("Language"), defaults.language);
    s.realTimeHelp = ReadBool(ini, QStringLiteral("RealTimeHelp"), defaults.realTimeHelp);
    s.localCom = ReadText(ini, QStringLiteral("LocalCom"), defaults.localCom);
    s.qNum = ReadInt(ini, QStringLiteral("QNum"), defaults.qNum);
    s.filePath = ReadText(ini, QStringLiteral("FilePath"), defaults.filePath);
    s.upgradeIP = ReadText(ini, QStringLiteral("UpgradeIP"), defaults.upgradeIP);
    s.upgradeMAC = ReadText(ini, QStringLiteral("UpgradeMAC"), defaults.upgradeMAC);
    s.upgradeFileName = ReadText(ini, QStringLiteral("UpgradeFileName"), defaults.upgradeFileName);
    return s;
}

QString SettingsToIni(const AppSettings &s, const QString &existingIniText)
{
    IniText ini(existingIniText);
    ini.setValue(kSection, QStringLiteral("Language"), BoolText(s.language));
    ini.setValue(kSection, QStringLiteral("RealTimeHelp"), BoolText(s.realTimeHelp));
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

int ModelFromQNum(int qNum)
{
    return (qNum >= 1 && qNum <= 3) ? qNum : 1;
}

QString SettingsFilePath()
{
    return ProgramFilePath(QStringLiteral("Cfg.ini"));
}

AppSettings LoadSettings(const AppSettings &defaults)
{
    return SettingsFromIni(ReadSettingsText(), defaults);
}

bool SaveSettings(const AppSettings &settings)
{
    return WriteSettingsText(SettingsToIni(settings, ReadSettingsText()));
}

bool SaveLanguageSetting(bool isChinese)
{
    IniText ini(ReadSettingsText());
    ini.setValue(kSection, QStringLiteral("Language"), BoolText(isChinese));
    return WriteSettingsText(ini.toString());
}
