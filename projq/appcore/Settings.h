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

// Reads Cfg.ini; a missing, empty, unreadable or malformed file yields `defaults`.
AppSettings loadSettings(const AppSettings &defaults = defaultSettings());

// Writes all ten keys to Cfg.ini, readable by its owner only (it holds the device password);
// false when the file could not be written.
bool saveSettings(const AppSettings &settings);

// Writes "Language" at once, as a language switch does, keeping the rest of the file.
bool saveLanguageSetting(bool isChinese);
