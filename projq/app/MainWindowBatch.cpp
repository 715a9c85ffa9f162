// Batch apply from the device list and templates: the menu items, the dialog and its driver.

#include "MainWindow.h"

#include "LogView.h"
#include "OperationGuard.h"

#include "batch/BatchDialog.h"
#include "batch/EngineBatchDriver.h"
#include "common/ValueHelpers.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lang/LangList.h"
#include "textfiles/TextFiles.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

void MainWindow::buildBatchActions()
{
    m_mniBatchApply = new QAction(this);
    m_mniBatchApply->setObjectName(QStringLiteral("mni_BatchApply"));
    m_mniSaveTemplate = new QAction(this);
    m_mniSaveTemplate->setObjectName(QStringLiteral("mni_SaveTemplate"));
    m_pmNetDev->addSeparator();
    m_pmNetDev->addActions({m_mniBatchApply, m_mniSaveTemplate});
    m_mniFile->insertActions(m_mniExit, {m_mniBatchApply, m_mniSaveTemplate});
    connect(m_mniBatchApply, &QAction::triggered, this, &MainWindow::openBatchApply);
    connect(m_mniSaveTemplate, &QAction::triggered, this, &MainWindow::saveTemplate);
}

void MainWindow::applyBatchTexts()
{
    m_mniBatchApply->setText(langText(QStringLiteral("lang_mni_BatchApply")));
    m_mniSaveTemplate->setText(langText(QStringLiteral("lang_mni_SaveTemplate")));
    if (m_batch)
        m_batch->applyBatchTexts();
}

void MainWindow::openBatchApply()
{
    if (m_guard->isBusy()) {
        showMessage(langText(QStringLiteral("lang_Batch_Busy")));
        return;
    }
    const QList<DeviceEntry> rows = selectedEntries();
    switch (checkSelection(rows)) {
    case SelectionProblem::Empty:
        return;
    case SelectionProblem::Unsupported:
        showMessage(langText(QStringLiteral("lang_Batch_Unsupported")));
        return;
    case SelectionProblem::MixedModels:
        showMessage(langText(QStringLiteral("lang_Batch_Mixed")));
        return;
    case SelectionProblem::None:
        break;
    }
    if (!m_batch) {
        auto *driver = new EngineBatchDriver(m_udp, this);
        driver->setCredentials([this] { return std::pair(m_login.user, m_login.password); });
        m_batch = new BatchDialog(driver, this);
        m_batch->setMessageFunction([this](QWidget *, const QString &text) { showMessage(text); });
        m_batch->setTemplateLoader(&EngineBatchDriver::loadTemplate);
        connect(m_batch->run(), &BatchRun::started, driver, &EngineBatchDriver::beginRun);
        connect(m_batch->run(), &BatchRun::finished, driver, &EngineBatchDriver::endRun);
        // Every read and write of the batch keeps other frames off the wire, and a close waits.
        m_guard->watch(m_batch->run());
    }
    m_batch->setModules(rows);
    // The module read into the panel gives the template when it is of the selection's model.
    const int kind = rows.first().kind;
    if ((kind == KindQ2 && m_layout == Layout::Q2) || (kind == KindQ3 && m_layout == Layout::Q3))
        m_batch->setTemplate(EngineBatchDriver::valuesOf(m_udp->stored(), kind),
                             langText(QStringLiteral("lang_Batch_FromModule"))
                                 .replace(QStringLiteral("%1"), m_paramOwnerMac));
    else
        m_batch->setTemplate({}, QString());
    m_batch->show();
    m_batch->raise();
}

void MainWindow::cancelBatch()
{
    if (m_batch)
        m_batch->cancelRun();
}

bool MainWindow::saveTemplateTo(const QString &path)
{
    const int kind = m_layout == Layout::Q2 ? KindQ2 : m_layout == Layout::Q3 ? KindQ3 : -1;
    if (kind < 0)
        return false;
    QString error;
    if (!EngineBatchDriver::saveTemplate(path, EngineBatchDriver::valuesOf(m_udp->stored(), kind),
                                         kind, &error)) {
        const QString text = langText(QStringLiteral("lang_Hint_ExportFailed")) + path +
                             QStringLiteral(": ") + error;
        logColor(text, LogColors::kError);
        showMessage(text);
        return false;
    }
    logOk(path);
    return true;
}

void MainWindow::saveTemplate()
{
    auto *dialog = new QFileDialog(this, langText(QStringLiteral("lang_mni_SaveTemplate")),
                                   TextFiles::folder(), QStringLiteral("JSON (*.json)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("json"));
    QPointer<MainWindow> self(this);
    connect(dialog, &QFileDialog::fileSelected, this, [self](const QString &path) {
        if (self)
            self->saveTemplateTo(path);
    });
    dialog->open();
}
