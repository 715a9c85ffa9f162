// The main window's settings file: reading Cfg.ini at start and saying what went wrong with it.

#include "MainWindow.h"

#include "LogView.h"
#include "lang/LangList.h"
#include "textfiles/TextFiles.h"

#include <QDir>
#include <QFileInfo>

void MainWindow::loadSettingsFile()
{
    // A save cut short by a kill leaves its temporary beside the file, Cfg.ini's with the
    // password in it. Only one Proj_Q runs at a time, so whatever is left is stale.
    TextFiles::removeStaleSaveTemporaries(
        QFileInfo(m_settingsFile.path()).absolutePath(),
        {QStringLiteral("Cfg.ini"), QStringLiteral("Lang.txt"), QStringLiteral("DataSelf.txt")}, 0);
    m_settings = m_settingsFile.load(defaultSettings(), &m_settingsLoad);
}

void MainWindow::tellSettingsFileAtStart()
{
    if (m_settingsLoad != SettingsFile::Outcome::TooLarge)
        return;
    logColor(langText(QStringLiteral("lang_Hint_FileTooLarge"))
                 .arg(QDir::toNativeSeparators(m_settingsFile.path()))
                 .arg(kMaxSettingsFileBytes >> 20),
             LogColors::kError);
}

bool MainWindow::tellSettingsSave(SettingsFile::Outcome outcome)
{
    if (outcome != SettingsFile::Outcome::Failed) {
        // A file too large to read was said at start; a success ends a run of failures.
        if (outcome == SettingsFile::Outcome::Done)
            m_settingsFailureTold = false;
        return false;
    }
    if (m_settingsFailureTold)
        return false;
    m_settingsFailureTold = true;
    const QString text =
        langText(QStringLiteral("lang_Hint_SaveFailed"))
            .arg(QDir::toNativeSeparators(m_settingsFile.path()), m_settingsFile.error());
    logColor(text, LogColors::kError);
    showMessage(text);
    return true;
}
