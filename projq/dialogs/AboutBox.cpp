#include "AboutBox.h"

#include "DialogArt.h"
#include "WebAddress.h"
#include "WindowHelpers.h"
#include "lang/LangList.h"
#include "lang/ProgramVersion.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Texts come from Lang.txt, which a user edits: show them as they are, never as markup.
QLabel *textLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TFrm_About"));
    setModal(true);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("img_About"));
    logo->setPixmap(programLogo(QSize(101, 83)));
    logo->setScaledContents(true);
    logo->setFixedSize(101, 83);

    m_softName = textLabel(QStringLiteral("lbl_SoftName"), this);
    m_versionCaption = textLabel(QStringLiteral("lbl_About_version"), this);
    m_version = textLabel(QStringLiteral("lbl_version"), this);
    m_description = textLabel(QStringLiteral("lbl_Aboutl_Description"), this);
    m_description->setWordWrap(true);
    m_description->setFixedWidth(265);
    m_description->setMinimumHeight(73);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);

    m_contact = textLabel(QStringLiteral("lbl_About_Contact"), this);
    m_website = textLabel(QStringLiteral("lbl_About_Website"), this);
    QPalette blue = m_website->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    m_website->setPalette(blue);
    QFont underlined = m_website->font();
    underlined.setUnderline(true);
    m_website->setFont(underlined);
    m_website->setCursor(Qt::PointingHandCursor);
    m_website->setFocusPolicy(Qt::TabFocus);
    m_website->installEventFilter(this);
    m_tel = textLabel(QStringLiteral("lbl_About_Tel"), this);
    m_email = textLabel(QStringLiteral("lbl_About_Email"), this);

    m_yes = new QPushButton(this);
    m_yes->setObjectName(QStringLiteral("btn_About_Yes"));
    m_yes->setDefault(true);
    connect(m_yes, &QPushButton::clicked, this, &AboutBox::accept);

    auto *versionRow = new QHBoxLayout;
    versionRow->addWidget(m_versionCaption);
    versionRow->addWidget(m_version);
    versionRow->addStretch();

    auto *contactRow = new QHBoxLayout;
    contactRow->addWidget(m_contact);
    contactRow->addWidget(m_website);
    contactRow->addStretch();

    auto *blankRow = new QHBoxLayout;
    blankRow->addWidget(m_tel);
    blankRow->addWidget(m_email);
    blankRow->addStretch();
    blankRow->addWidget(m_yes);

    auto *text = new QVBoxLayout;
    text->setSpacing(4);
    text->addWidget(m_softName);
    text->addLayout(versionRow);
    text->addWidget(m_description);
    text->addWidget(bevel);
    text->addLayout(contactRow);
    text->addLayout(blankRow);

    auto *page = new QHBoxLayout(this);
    page->setContentsMargins(16, 14, 16, 12);
    page->setSpacing(20);
    page->addWidget(logo, 0, Qt::AlignTop);
    page->addLayout(text, 1);

    applyAboutTexts();
    m_version->setText(QStringLiteral(" V") + programVersionText());
    setFixedSize(sizeHint().expandedTo(QSize(473, 215)));
}

void AboutBox::applyAboutTexts()
{
    setWindowTitle(langText(QStringLiteral("lang_About_Title")));
    m_softName->setText(langText(QStringLiteral("lang_About_SoftName")));
    m_versionCaption->setText(langText(QStringLiteral("lang_About_Version")));
    m_description->setText(langText(QStringLiteral("lang_About_Description")));
    m_contact->setText(langText(QStringLiteral("lang_About_Contact")));
    m_website->setText(langText(QStringLiteral("lang_About_Website")));
    m_website->setAccessibleName(m_website->text());
    m_tel->setText(langText(QStringLiteral("lang_About_Tel")));
    m_email->setText(langText(QStringLiteral("lang_About_Email")));
    m_yes->setText(langText(QStringLiteral("lang_About_OK")));
}

void AboutBox::showAbout()
{
    // Shows the dialog, or brings it to the front when it is showing already.
    bringWindowToFront(this);
}

void AboutBox::openWebsite()
{
    openWebAddress(m_website->text());
}

bool AboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_website) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton &&
            m_website->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
            openWebsite();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                openWebsite();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        centerOnScreen(this);
    }
}
