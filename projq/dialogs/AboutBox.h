#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the program's name, version, a line about its maker and the maker's web
// address, which a click (or Enter on the focused address) opens in the browser.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit AboutBox(QWidget *parent = nullptr);

    // Relabels the box in the current language.
    void applyAboutTexts();

    // Shows the box modally without waiting for it, or brings it to the front when it shows.
    void showAbout();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void openWebsite();

    QLabel *m_softName = nullptr;
    QLabel *m_versionCaption = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_description = nullptr;
    QLabel *m_contact = nullptr;
    QLabel *m_website = nullptr;
    QLabel *m_tel = nullptr;
    QLabel *m_email = nullptr;
    QPushButton *m_yes = nullptr;
    bool m_centred = false;
};
