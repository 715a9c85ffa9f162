#include "console/ConsoleAboutBox.h"

#include "console/ConsolePictures.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ConsoleAboutBox::ConsoleAboutBox(const QString &productLine, QWidget *parent)
    : QDialog(parent)
    , m_picture(new QLabel(this))
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("AboutUs"));
    m_picture->setObjectName(QStringLiteral("Image1"));
    auto *text = new QLabel(productLine, this);
    text->setObjectName(QStringLiteral("LblAbout"));
    auto *ok = new QPushButton(QStringLiteral("Confirm"), this);
    ok->setObjectName(QStringLiteral("CmdAboutOk"));
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);

    auto *row = new QHBoxLayout;
    row->addWidget(m_picture);
    row->addWidget(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

void ConsoleAboutBox::showAbout()
{
    m_picture->setPixmap(aboutPicture());
    show();
    raise();
    activateWindow();
}
