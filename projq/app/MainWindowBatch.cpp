// Batch apply from the device list and templates: the menu items, the dialog and its engine.

#include "MainWindow.h"

#include "LogView.h"
#include "OperationGuard.h"

#include "batch/BatchDialog.h"
#include "common/ValueHelpers.h"
#include "engine/ModuleEngine.h"
#include "engine/ParamTemplate.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lang/LangList.h"
#include "textfiles/TextFiles.h"

#include <QAction>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTableView>

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
    // The File menu's item follows the selection, not only the context menu's opening.
    connect(m_lvDev->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateContextMenuState);
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
        auto *engine = new ModuleEngine(m_udp, this);
        m_batch = new BatchDialog(engine, this);
        m_batch->setMessageFunction([this](QWidget *, const QString &text) { showMessage(text); });
        // A panel save, serial session or upgrade keeps the batch's reads off the wire too.
        m_batch->setBusyCheck([this] { return m_guard->isBusy(); });
        // Every read and write of the batch keeps other frames off the wire, and a close waits.
        m_guard->watch(m_batch->run());
        // The endpoint keeps every block that passes as the template of the panel's next save;
        // the batch's reads of other modules must not become that template.
        connect(m_batch->run(), &BatchRun::started, this, [this, engine] {
            m_storedBeforeBatch = m_udp->stored();
            engine->setLogin({m_login.user, m_login.password}); // as the login dialog left it
        });
        connect(m_batch->run(), &BatchRun::finished, this, [this] {
            if (m_udp && m_storedBeforeBatch)
                m_udp->stored() = *m_storedBeforeBatch;
            m_storedBeforeBatch.reset();
        });
    }
    m_batch->setModules(rows);
    // The module read into the panel gives the template when it is of the selection's model.
    const int kind = rows.first().kind;
    if ((kind == KindQ2 && m_layout == Layout::Q2) || (kind == KindQ3 && m_layout == Layout::Q3))
        m_batch->setTemplate(fieldValuesOf(recordFromBlocks(panelBlocks())),
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

ModuleBlocks MainWindow::panelBlocks() const
{
    // The blocks of the module read into the panel, as the endpoint kept them. A block counts as
    // sent when it holds anything but the zeros it starts as.
    auto sent = [](const QByteArray &block) { return block.count('\0') != block.size(); };
    ModuleBlocks blocks;
    blocks.model = m_layout == Layout::Q3 ? ModuleModel::Q3 : ModuleModel::Q2;
    blocks.stored = m_udp->stored();
    blocks.hasParam = true;
    for (const DeviceEntry &e : m_devices->entries())
        if (removeSpaces(e.mac) == m_paramOwnerMac)
            blocks.version = e.version.toInt();
    const bool extended = blocks.version >= kFirstExtendedVersion;
    blocks.hasCloud = blocks.model == ModuleModel::Q2 && sent(blocks.stored.cloud);
    blocks.hasHeartReg =
        blocks.model == ModuleModel::Q2 && extended && sent(blocks.stored.heartReg);
    blocks.hasHttpd = blocks.model == ModuleModel::Q2 && extended && sent(blocks.stored.httpd);
    return blocks;
}

bool MainWindow::saveTemplateTo(const QString &path)
{
    if (m_layout != Layout::Q2 && m_layout != Layout::Q3)
        return false;
    const ModuleBlocks blocks = panelBlocks();
    QString error;
    if (!saveTemplateFile(path, {blocks.model, recordFromBlocks(blocks)}, &error)) {
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
