#include "BatchDialog.h"

#include "engine/ParamKeys.h"
#include "engine/ParamTemplate.h"
#include "lang/LangList.h"
#include "textfiles/TextFiles.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString tr2(const char *key)
{
    return langText(QString::fromLatin1(key));
}

QPushButton *namedButton(const char *name, QWidget *parent)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QTableWidget *namedTable(const char *name, int columns, QWidget *parent)
{
    auto *t = new QTableWidget(0, columns, parent);
    t->setObjectName(QString::fromLatin1(name));
    t->verticalHeader()->hide();
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->horizontalHeader()->setSectionResizeMode(columns - 1, QHeaderView::Stretch);
    t->setWordWrap(false);
    return t;
}

// Every column fits its texts; the last one takes the rest of the width.
void fitColumns(QTableWidget *table)
{
    for (int c = 0; c + 1 < table->columnCount(); ++c)
        table->resizeColumnToContents(c);
}

QTableWidgetItem *readOnlyItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// The panel's caption of a parameter key, shown where the key is ("net.ip" -> its caption).
QString fieldCaption(const QString &key)
{
    const ParamKey *k = findParamKey(key);
    return k ? keyLabel(*k) : QString();
}

QColor outcomeColor(BatchOutcome outcome)
{
    switch (outcome) {
    case BatchOutcome::Ok:
        return QColor(0, 128, 0);
    case BatchOutcome::Failed:
    case BatchOutcome::Refused:
        return QColor(255, 0, 0);
    case BatchOutcome::NoAnswer:
        return QColor(128, 0, 0);
    default:
        return QColor();
    }
}

} // namespace

BatchDialog::BatchDialog(ModuleEngine *engine, QWidget *parent)
    : QDialog(parent)
    , m_run(new BatchRun(engine, this))
{
    setObjectName(QStringLiteral("Frm_Batch"));
    addCommissioningTexts();
    m_message = [](QWidget *parent, const QString &text) {
        auto *box = new QMessageBox(QMessageBox::Information, parent->windowTitle(), text,
                                    QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    m_fileDialog = [](QWidget *parent, bool save, const QString &start, const FileDone &done) {
        auto *dialog = new QFileDialog(parent, QString(), start,
                                       save ? QStringLiteral("CSV (*.csv);;All File (*)")
                                            : QStringLiteral("JSON (*.json);;All File (*)"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (save)
            dialog->setDefaultSuffix(QStringLiteral("csv"));
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                         [done](const QString &path) { done(path); });
        QObject::connect(dialog, &QFileDialog::rejected, dialog, [done] { done(std::nullopt); });
        dialog->open();
    };

    m_pages = new QStackedWidget(this);
    buildFieldsPage();
    buildReviewPage();
    buildResultPage();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lbl_BatchStatus"));
    auto *column = new QVBoxLayout(this);
    column->addWidget(m_pages, 1);
    column->addWidget(m_status);
    resize(640, 420);

    connect(m_run, &BatchRun::moduleRead, this, &BatchDialog::onModuleRead);
    connect(m_run, &BatchRun::readsFinished, this, &BatchDialog::onReadsFinished);
    connect(m_run, &BatchRun::moduleStarted, this, &BatchDialog::showResultRow);
    connect(m_run, &BatchRun::moduleFinished, this, &BatchDialog::showResultRow);
    connect(m_run, &BatchRun::applyDone, this, &BatchDialog::onApplyDone);
    connect(m_run, &BatchRun::started, this, &BatchDialog::updateStatus);
    connect(m_run, &BatchRun::finished, this, &BatchDialog::updateStatus);
    applyBatchTexts();
    showPage(FieldsPage);
}

void BatchDialog::buildFieldsPage()
{
    auto *page = new QWidget(m_pages);
    auto *column = new QVBoxLayout(page);
    auto *sourceRow = new QHBoxLayout;
    m_lblSource = new QLabel(page);
    m_lblSource->setObjectName(QStringLiteral("lbl_BatchSource"));
    m_btnLoad = namedButton("btn_BatchLoad", page);
    sourceRow->addWidget(m_lblSource, 1);
    sourceRow->addWidget(m_btnLoad);
    column->addLayout(sourceRow);
    m_fields = namedTable("tbl_BatchFields", 2, page);
    column->addWidget(m_fields, 1);
    auto *ipRow = new QHBoxLayout;
    m_chkIp = new QCheckBox(page);
    m_chkIp->setObjectName(QStringLiteral("chk_BatchIp"));
    m_edtIp = new QLineEdit(page);
    m_edtIp->setObjectName(QStringLiteral("edt_BatchIpFrom"));
    m_edtIp->setEnabled(false);
    ipRow->addWidget(m_chkIp);
    ipRow->addWidget(m_edtIp, 1);
    column->addLayout(ipRow);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_btnReview = namedButton("btn_BatchReview", page);
    buttons->addWidget(m_btnReview);
    column->addLayout(buttons);
    m_pages->addWidget(page);

    connect(m_chkIp, &QCheckBox::toggled, m_edtIp, &QWidget::setEnabled);
    connect(m_btnLoad, &QPushButton::clicked, this, &BatchDialog::chooseTemplateFile);
    connect(m_btnReview, &QPushButton::clicked, this, &BatchDialog::review);
}

void BatchDialog::buildReviewPage()
{
    auto *page = new QWidget(m_pages);
    auto *column = new QVBoxLayout(page);
    m_review = namedTable("tbl_BatchReview", 5, page);
    m_review->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->addWidget(m_review, 1);
    auto *buttons = new QHBoxLayout;
    m_btnBack = namedButton("btn_BatchBack", page);
    m_btnApply = namedButton("btn_BatchApply", page);
    buttons->addWidget(m_btnBack);
    buttons->addStretch(1);
    buttons->addWidget(m_btnApply);
    column->addLayout(buttons);
    m_pages->addWidget(page);
    connect(m_btnBack, &QPushButton::clicked, this, [this] { showPage(FieldsPage); });
    connect(m_btnApply, &QPushButton::clicked, this, &BatchDialog::apply);
}

void BatchDialog::buildResultPage()
{
    auto *page = new QWidget(m_pages);
    auto *column = new QVBoxLayout(page);
    m_result = namedTable("tbl_BatchResult", 4, page);
    m_result->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->addWidget(m_result, 1);
    auto *buttons = new QHBoxLayout;
    m_btnCancel = namedButton("btn_BatchCancel", page);
    m_btnExport = namedButton("btn_BatchExport", page);
    m_btnClose = namedButton("btn_BatchClose", page);
    buttons->addWidget(m_btnCancel);
    buttons->addStretch(1);
    buttons->addWidget(m_btnExport);
    buttons->addWidget(m_btnClose);
    column->addLayout(buttons);
    m_pages->addWidget(page);
    connect(m_btnCancel, &QPushButton::clicked, this, &BatchDialog::cancelRun);
    connect(m_btnExport, &QPushButton::clicked, this, &BatchDialog::chooseExportFile);
    connect(m_btnClose, &QPushButton::clicked, this, &QWidget::close);
}

void BatchDialog::applyBatchTexts()
{
    setWindowTitle(tr2("lang_Batch_Title"));
    m_btnLoad->setText(tr2("lang_Batch_LoadTemplate"));
    m_fields->setHorizontalHeaderLabels({tr2("lang_Batch_ColField"), tr2("lang_Batch_ColNew")});
    m_chkIp->setText(tr2("lang_Batch_IpFrom"));
    m_edtIp->setAccessibleName(tr2("lang_Batch_IpFrom"));
    m_fields->setAccessibleName(tr2("lang_Batch_Fields"));
    m_btnReview->setText(tr2("lang_Batch_Review"));
    m_review->setHorizontalHeaderLabels({QStringLiteral("MAC"), tr2("lang_Lv_DevIP"),
                                         tr2("lang_Batch_ColField"), tr2("lang_Batch_ColOld"),
                                         tr2("lang_Batch_ColNew")});
    m_review->setAccessibleName(tr2("lang_Batch_Review"));
    m_btnBack->setText(tr2("lang_Batch_Back"));
    m_btnApply->setText(tr2("lang_Batch_Apply"));
    m_result->setHorizontalHeaderLabels({QStringLiteral("MAC"), tr2("lang_Lv_DevIP"),
                                         tr2("lang_Batch_ColNewIp"), tr2("lang_Batch_ColResult")});
    m_result->setAccessibleName(tr2("lang_Batch_ColResult"));
    m_btnCancel->setText(tr2("lang_Batch_Cancel"));
    m_btnExport->setText(tr2("lang_Batch_Export"));
    m_btnClose->setText(tr2("lang_Batch_Close"));
    m_lblSource->setText(m_templateSource.isEmpty()
                             ? tr2("lang_Batch_NoTemplate")
                             : tr2("lang_Batch_Fields") + QStringLiteral(": ") + m_templateSource);
    updateStatus();
}

void BatchDialog::showPage(Page page)
{
    m_pages->setCurrentIndex(page);
    updateStatus();
}

BatchDialog::Page BatchDialog::page() const
{
    return Page(m_pages->currentIndex());
}

void BatchDialog::showMessage(const QString &text)
{
    if (m_message)
        m_message(this, text);
}

void BatchDialog::setModules(const QList<DeviceEntry> &modules)
{
    m_modules = modules;
    m_wanted.clear();
    m_review->setRowCount(0);
    m_result->setRowCount(0);
    showPage(FieldsPage);
}

void BatchDialog::setTemplate(const FieldValues &values, const QString &source)
{
    m_templateSource = source;
    m_fields->setRowCount(0);
    for (auto it = values.begin(); it != values.end(); ++it) {
        // The IP comes from the run below, if at all: one address for every module is never
        // what a batch wants.
        if (it.key() == QLatin1String(kIpKey))
            continue;
        const int row = m_fields->rowCount();
        m_fields->insertRow(row);
        QTableWidgetItem *key = readOnlyItem(it.key());
        key->setFlags(key->flags() | Qt::ItemIsUserCheckable);
        key->setCheckState(Qt::Unchecked);
        key->setToolTip(fieldCaption(it.key()));
        m_fields->setItem(row, 0, key);
        m_fields->setItem(row, 1, new QTableWidgetItem(it.value()));
    }
    fitColumns(m_fields);
    applyBatchTexts();
}

bool BatchDialog::loadTemplateFile(const QString &path)
{
    QString error;
    const std::optional<ParamTemplate> tpl = ::loadTemplateFile(path, &error);
    if (tpl && !m_modules.isEmpty() && tpl->model != modelOfKind(m_modules.first().kind))
        error = modelName(tpl->model);
    if (!tpl || !error.isEmpty()) {
        showMessage(tr2("lang_Batch_TemplateFailed") + path + QStringLiteral(": ") + error);
        return false;
    }
    setTemplate(fieldValuesOf(tpl->fields), QFileInfo(path).fileName());
    return true;
}

void BatchDialog::chooseTemplateFile()
{
    QPointer<BatchDialog> self(this);
    m_fileDialog(this, false, TextFiles::folder(), [self](std::optional<QString> path) {
        if (self && path && !path->isEmpty())
            self->loadTemplateFile(*path);
    });
}

FieldValues BatchDialog::chosenFields() const
{
    FieldValues out;
    for (int row = 0; row < m_fields->rowCount(); ++row)
        if (m_fields->item(row, 0)->checkState() == Qt::Checked)
            out.insert(m_fields->item(row, 0)->text(), m_fields->item(row, 1)->text());
    return out;
}

void BatchDialog::setFieldChosen(const QString &key, bool chosen)
{
    for (int row = 0; row < m_fields->rowCount(); ++row)
        if (m_fields->item(row, 0)->text() == key)
            m_fields->item(row, 0)->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
}

void BatchDialog::setIpStart(const QString &start)
{
    m_chkIp->setChecked(!start.isEmpty());
    m_edtIp->setText(start);
}

std::optional<QList<FieldValues>> BatchDialog::wantedPerModule()
{
    const FieldValues fields = chosenFields();
    const QString ipFrom = m_chkIp->isChecked() ? m_edtIp->text().trimmed() : QString();
    if (fields.isEmpty() && ipFrom.isEmpty()) {
        showMessage(tr2("lang_Batch_NoFields"));
        return std::nullopt;
    }
    if (m_chkIp->isChecked() && !addressPlus(ipFrom, 0)) {
        showMessage(tr2("lang_Batch_BadIp"));
        return std::nullopt;
    }
    QString error;
    const ParamTemplate tpl{modelOfKind(m_modules.first().kind), recordOf(fields)};
    const auto items = batchFromTemplate(tpl, m_modules, ipFrom, &error);
    if (!items) {
        showMessage(tr2("lang_Batch_BadIp") + QLatin1Char(' ') + error);
        return std::nullopt;
    }
    QList<FieldValues> out;
    for (const BatchItem &item : *items)
        out << fieldValuesOf(item.changes);
    return out;
}

bool BatchDialog::wireBusy()
{
    if (m_run->isRunning())
        return true;
    if (m_busy && m_busy()) {
        showMessage(tr2("lang_Batch_Busy"));
        return true;
    }
    return false;
}

void BatchDialog::review()
{
    if (m_modules.isEmpty() || wireBusy())
        return;
    const auto wanted = wantedPerModule();
    if (!wanted)
        return;
    m_wanted = *wanted;
    m_review->setRowCount(0);
    showPage(ReviewPage);
    m_btnApply->setEnabled(false);
    m_btnBack->setEnabled(false);
    m_run->startReads(m_modules);
}

void BatchDialog::onModuleRead(int index)
{
    const DeviceEntry &module = m_modules.at(index);
    const std::optional<FieldValues> &current = m_run->readValues().at(index);
    auto addRow = [this, &module](const QString &field, const QString &oldText,
                                  const QString &newText, bool changes) {
        const int row = m_review->rowCount();
        m_review->insertRow(row);
        m_review->setItem(row, 0, readOnlyItem(module.mac));
        m_review->setItem(row, 1, readOnlyItem(module.ip));
        QTableWidgetItem *fieldItem = readOnlyItem(field);
        fieldItem->setToolTip(fieldCaption(field));
        m_review->setItem(row, 2, fieldItem);
        m_review->setItem(row, 3, readOnlyItem(oldText));
        QTableWidgetItem *item = readOnlyItem(newText);
        if (changes) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
        m_review->setItem(row, 4, item);
    };
    if (!current) {
        addRow(QString(), tr2("lang_Batch_NoAnswer"), QString(), false);
        updateStatus();
        return;
    }
    const QString refusal = BatchRun::check(module.kind, m_wanted.at(index));
    if (!refusal.isEmpty())
        addRow(QString(), tr2("lang_Batch_Refused") + refusal, QString(), false);
    for (const FieldChange &c : reviewChanges(*current, m_wanted.at(index)))
        addRow(c.key, c.oldText,
               c.changes() ? QStringLiteral("→ ") + c.newText : QStringLiteral("="), c.changes());
    updateStatus();
}

void BatchDialog::onReadsFinished()
{
    fitColumns(m_review);
    m_btnBack->setEnabled(true);
    m_btnApply->setEnabled(!m_run->cancelRequested());
    updateStatus();
}

void BatchDialog::apply()
{
    if (m_wanted.size() != m_modules.size() || wireBusy())
        return;
    QList<BatchModuleResult> jobs;
    for (int i = 0; i < m_modules.size(); ++i) {
        BatchModuleResult job;
        job.module = m_modules.at(i);
        job.wanted = m_wanted.at(i);
        jobs << job;
    }
    m_result->setRowCount(int(jobs.size()));
    for (int i = 0; i < jobs.size(); ++i) {
        m_result->setItem(i, 0, readOnlyItem(jobs.at(i).module.mac));
        m_result->setItem(i, 1, readOnlyItem(jobs.at(i).module.ip));
        m_result->setItem(i, 2, readOnlyItem(jobs.at(i).wanted.value(QString::fromLatin1(kIpKey))));
        m_result->setItem(i, 3, readOnlyItem(outcomeText(jobs.at(i))));
    }
    showPage(ResultPage);
    m_run->startApply(jobs);
    fitColumns(m_result);
}

void BatchDialog::showResultRow(int index)
{
    const BatchModuleResult &r = m_run->results().at(index);
    QTableWidgetItem *item = readOnlyItem(outcomeText(r));
    if (const QColor color = outcomeColor(r.outcome); color.isValid())
        item->setForeground(color);
    QStringList details;
    for (const QString &key : r.failedKeys)
        details
            << QStringLiteral("%1: %2 → %3").arg(key, r.wanted.value(key), r.readBack.value(key));
    if (!details.isEmpty())
        item->setToolTip(details.join(QLatin1Char('\n')));
    m_result->setItem(index, 3, item);
    updateStatus();
}

void BatchDialog::onApplyDone()
{
    fitColumns(m_result);
    updateStatus();
}

void BatchDialog::cancelRun()
{
    m_run->cancel();
    updateStatus();
}

void BatchDialog::updateStatus()
{
    const bool running = m_run->isRunning();
    m_btnCancel->setEnabled(running && !m_run->cancelRequested());
    m_btnExport->setEnabled(!running && m_result->rowCount() > 0);
    m_btnClose->setEnabled(true);
    m_btnReview->setEnabled(!running);
    QString text;
    if (page() == ReviewPage && running)
        text = tr2("lang_Batch_Reading")
                   .replace(QStringLiteral("%1"), QString::number(m_run->readValues().size() + 1))
                   .replace(QStringLiteral("%2"), QString::number(m_modules.size()));
    if (page() == ResultPage) {
        int ok = 0, failed = 0, silent = 0, done = 0;
        for (const BatchModuleResult &r : m_run->results()) {
            ok += r.outcome == BatchOutcome::Ok;
            failed += r.outcome == BatchOutcome::Failed || r.outcome == BatchOutcome::Refused;
            silent += r.outcome == BatchOutcome::NoAnswer;
            done += r.outcome != BatchOutcome::Pending && r.outcome != BatchOutcome::Running;
        }
        text = (running ? tr2("lang_Batch_Applying")
                              .replace(QStringLiteral("%1"), QString::number(done + 1))
                              .replace(QStringLiteral("%2"), QString::number(m_modules.size()))
                        : tr2("lang_Batch_Done"))
                   .replace(QStringLiteral("%ok"), QString::number(ok))
                   .replace(QStringLiteral("%failed"), QString::number(failed))
                   .replace(QStringLiteral("%silent"), QString::number(silent));
    }
    m_status->setText(text);
}

bool BatchDialog::exportResults(const QString &path, QString *error)
{
    return TextFiles::writeAtomically(path, batchResultCsv(m_run->results()), false, error);
}

void BatchDialog::chooseExportFile()
{
    QPointer<BatchDialog> self(this);
    m_fileDialog(this, true, TextFiles::folder(), [self](std::optional<QString> path) {
        if (!self || !path || path->isEmpty())
            return;
        QString error;
        if (!self->exportResults(*path, &error))
            self->showMessage(tr2("lang_Hint_ExportFailed") + *path + QStringLiteral(": ") + error);
    });
}

void BatchDialog::closeEvent(QCloseEvent *event)
{
    // A run never stops inside a module's plan: closing asks to stop after the module in
    // progress, and the dialog hides once the run has ended.
    if (m_run->isRunning()) {
        m_run->cancel();
        connect(m_run, &BatchRun::finished, this, &QWidget::close, Qt::SingleShotConnection);
        updateStatus();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
