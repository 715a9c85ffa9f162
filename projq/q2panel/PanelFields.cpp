#include "PanelFields.h"

#include "common/TextCodec.h"
#include "common/ValueHelpers.h"

#include "lang/LangList.h"

#include <QComboBox>
#include <QInputDialog>
#include <QPointer>

void applyCustomBaudAnswer(QComboBox *list, const std::optional<QString> &answer)
{
    bool ok = false;
    const QString text = answer ? answer->trimmed() : QString();
    const qlonglong rate = text.toLongLong(&ok);
    if (ok && rate > 0 && rate <= 0xFFFFFFFFLL) {
        list->setItemText(0, QString::number(rate));
        list->setCurrentIndex(0);
        return;
    }
    const int index = list->findText(QStringLiteral("9600"));
    list->setCurrentIndex(index);
}

void openBaudPrompt(QWidget *parent, const QString &title, const QString &label,
                    const QString &initial, const BaudPromptDone &done)
{
    auto *dialog = new QInputDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(title);
    dialog->setLabelText(label);
    dialog->setTextValue(initial);
    // Exactly one of the two fires; the dialog deletes itself afterwards.
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog,
                     [done](const QString &text) { done(text); });
    QObject::connect(dialog, &QDialog::rejected, dialog, [done] { done(std::nullopt); });
    dialog->open();
}

void askCustomBaud(QComboBox *list, QWidget *parent, const BaudPromptFunction &prompt)
{
    if (!prompt)
        return;
    prompt(parent, langText(QStringLiteral("lang_InputBdTitle")),
           langText(QStringLiteral("lang_PlsInputBd")), list->itemText(0),
           [combo = QPointer<QComboBox>(list)](std::optional<QString> answer) {
               if (combo)
                   applyCustomBaudAnswer(combo, answer);
           });
}

QStringList moduleBaudRateItems()
{
    return {QStringLiteral("115200"), QStringLiteral("自定义"), QStringLiteral("300"),
            QStringLiteral("600"),    QStringLiteral("1200"),   QStringLiteral("2400"),
            QStringLiteral("4800"),   QStringLiteral("9600"),   QStringLiteral("14400"),
            QStringLiteral("19200"),  QStringLiteral("38400"),  QStringLiteral("57600"),
            QStringLiteral("115200"), QStringLiteral("230400"), QStringLiteral("460800")};
}
