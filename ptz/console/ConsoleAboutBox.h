#pragma once

// The about box "AboutUs": a picture, one line of text and the button "Confirm". Modeless.

#include <QDialog>

class QLabel;

class ConsoleAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit ConsoleAboutBox(const QString &productLine, QWidget *parent = nullptr);

    // Loads the picture afresh and shows the box without blocking the console.
    void showAbout();

private:
    QLabel *m_picture;
};
