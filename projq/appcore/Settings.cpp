#include "Settings.h"

#include "IniText.h"
#include "lang/LangList.h"
#include "textfiles/TextFiles.h"

#include <QFileInfo>

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

namespace {

void writeSettingsKeys(IniText &ini, const AppSettings &s)
{
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
}

} // namespace

QString settingsToIni(const AppSettings &s, const QString &existingIniText)
{
    IniText ini(existingIniText);
    writeSettingsKeys(ini, s);
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

SettingsFile::SettingsFile(QString path)
    : m_path(std::move(path))
{
}

AppSettings SettingsFile::load(const AppSettings &defaults, Outcome *outcome)
{
    const TextFiles::BoundedRead read = TextFiles::readBounded(m_path, kMaxSettingsFileBytes);
    m_tooLarge = read.status == TextFiles::BoundedRead::Status::TooLarge;
    if (outcome)
        *outcome = m_tooLarge ? Outcome::TooLarge : Outcome::Done;
    if (read.status != TextFiles::BoundedRead::Status::Read)
        return defaults;
    return settingsFromIni(IniText::fromBytes(read.bytes).toString(), defaults);
}

template<class Change> SettingsFile::Outcome SettingsFile::rewrite(Change change)
{
    // A file too large to read at start holds settings this run never saw: it stays as it is.
    if (m_tooLarge)
        return Outcome::TooLarge;
    const TextFiles::BoundedRead read = TextFiles::readBounded(m_path, kMaxSettingsFileBytes);
    if (read.status == TextFiles::BoundedRead::Status::TooLarge)
        return Outcome::TooLarge;
    // A file that is there but cannot be read would be replaced by our ten keys alone. (A folder
    // in its place is left to the write, which says why it fails.)
    if (read.status == TextFiles::BoundedRead::Status::Unreadable && !QFileInfo(m_path).isDir()) {
        m_error = read.error;
        return Outcome::Failed;
    }
    IniText ini = IniText::fromBytes(read.bytes);
    change(ini);
    m_error.clear();
    if (!TextFiles::writeAtomically(m_path, ini.toBytes(), true, &m_error))
        return Outcome::Failed;
    return Outcome::Done;
}

SettingsFile::Outcome SettingsFile::save(const AppSettings &settings)
{
    return rewrite([&](IniText &ini) { writeSettingsKeys(ini, settings); });
}

SettingsFile::Outcome SettingsFile::saveLanguage(bool isChinese)
{
    return rewrite([&](IniText &ini) {
        ini.setValue(kSection, QStringLiteral("Language"), boolText(isChinese));
    });
}

AppSettings loadSettings(const AppSettings &defaults)
{
    return SettingsFile().load(defaults);
}

bool saveSettings(const AppSettings &settings)
{
    return SettingsFile().save(settings) == SettingsFile::Outcome::Done;
}

bool saveLanguageSetting(bool isChinese)
{
    return SettingsFile().saveLanguage(isChinese) == SettingsFile::Outcome::Done;
}
