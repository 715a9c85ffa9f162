#pragma once

#include <QString>

// What Cfg.ini (section "System") keeps between runs.
struct AppSettings
{
    bool language = true;                      // "Language": true = Chinese
    bool realTimeHelp = true;                  // "RealTimeHelp"
    QString localCom = QStringLiteral("COM1"); // "LocalCom": the serial-port selector's text
    int qNum = 1;                              // "QNum": the model chosen on the serial tab, 1 to 3
    QString filePath;                          // "FilePath": the data-debugging command file
    // Saved at close but never read back: every run starts with the built-in login.
    QString userName;        // "UserName"
    QString password;        // "Password"
    QString upgradeIP;       // "UpgradeIP"
    QString upgradeMAC;      // "UpgradeMAC"
    QString upgradeFileName; // "UpgradeFileName"

    bool operator==(const AppSettings &) const = default;
};

// The defaults of a missing file: "Language" follows the system's language.
AppSettings defaultSettings();

// The settings stored in `iniText`; every key that is missing or unreadable keeps its value from
// `defaults`. A stored boolean other than 0 reads as true. UserName and Password are not read.
AppSettings settingsFromIni(const QString &iniText, const AppSettings &defaults);

// `existingIniText` with the ten keys of section "System" written in this order: Language,
// RealTimeHelp, LocalCom, QNum, UserName, Password, UpgradeIP, UpgradeMAC, UpgradeFileName,
// FilePath. Keys already in the file keep their place; other lines stay as they are.
QString settingsToIni(const AppSettings &settings, const QString &existingIniText = {});

// The model radio button that a stored QNum selects: 1, 2 or 3; anything else selects 1.
int modelFromQNum(int qNum);

// Cfg.ini in the program's file folder.
QString settingsFilePath();

// Cfg.ini holds ten keys of ours in one section; anything bigger than this is not ours to read
// or rewrite.
inline constexpr qint64 kMaxSettingsFileBytes = 1 << 20;

// Cfg.ini as one run of the program keeps it: read at start, written at close and at a language
// switch. Each write reads the file as it is then and changes only the keys of [System] whose
// values differ, so every other line (other sections, comments, unknown keys, lines in another
// encoding) keeps its bytes. A file over kMaxSettingsFileBytes at start is neither read nor
// written in this run.
class SettingsFile
{
public:
    enum class Outcome {
        Done,     // read or written (a missing file reads as the defaults)
        TooLarge, // over the size limit: not read, not written
        Failed,   // could not be written; error() says why
    };

    explicit SettingsFile(QString path = settingsFilePath());

    QString path() const { return m_path; }
    // A missing, empty, unreadable or malformed file yields `defaults`.
    AppSettings load(const AppSettings &defaults, Outcome *outcome = nullptr);
    // Writes all ten keys, readable by the file's owner only (it holds the device password).
    Outcome save(const AppSettings &settings);
    // Writes "Language" at once, as a language switch does, keeping the rest of the file.
    Outcome saveLanguage(bool isChinese);
    // The system's reason for the last failed write.
    QString error() const { return m_error; }

private:
    template<class Change> Outcome rewrite(Change change);

    QString m_path;
    QString m_error;
    bool m_tooLarge = false;
};

// One-shot forms of SettingsFile on settingsFilePath().
AppSettings loadSettings(const AppSettings &defaults = defaultSettings());
bool saveSettings(const AppSettings &settings);
bool saveLanguageSetting(bool isChinese);
