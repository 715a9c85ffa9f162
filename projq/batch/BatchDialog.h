#pragma once

// "Apply settings to selected…": the fields to set (from the module read into the panel, or a
// template file), optionally IP addresses from a start address upward; then a review of every
// module (its values read first: old → new); then the run, one module after another, with a
// result per module (ok / failed fields / no answer) that can be exported as CSV. The dialog
// never blocks: reads and writes run through BatchRun on the event loop, file choosers open
// asynchronously, and closing it during a run cancels after the module in progress.

#include "batch/BatchRun.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableWidget;

class BatchDialog : public QDialog
{
    Q_OBJECT
public:
    enum Page { FieldsPage, ReviewPage, ResultPage };

    using MessageFunction = std::function<void(QWidget *parent, const QString &text)>;
    using FileDone = std::function<void(std::optional<QString> path)>;
    using FileFunction =
        std::function<void(QWidget *parent, bool save, const QString &start, const FileDone &done)>;
    BatchDialog(ModuleEngine *engine, QWidget *parent = nullptr);

    void setMessageFunction(MessageFunction f) { m_message = std::move(f); }
    void setFileFunction(FileFunction f) { m_fileDialog = std::move(f); }
    // True while another operation owns the wire: review and apply then refuse with a message.
    void setBusyCheck(std::function<bool()> f) { m_busy = std::move(f); }

    // The rows to apply to, in the order the list shows them; back to the first page.
    void setModules(const QList<DeviceEntry> &modules);
    // The template's fields, none of them ticked; `source` names where they came from.
    void setTemplate(const FieldValues &values, const QString &source);
    // A file "Save as template" wrote (or x7ctl reads); its fields, none of them ticked.
    bool loadTemplateFile(const QString &path);

    // The ticked fields with their (possibly edited) values.
    FieldValues chosenFields() const;
    void setFieldChosen(const QString &key, bool chosen);
    void setIpStart(const QString &start); // empty: keep the modules' addresses

    Page page() const;
    BatchRun *run() const { return m_run; }
    QList<BatchModuleResult> results() const { return m_run->results(); }
    bool exportResults(const QString &path, QString *error = nullptr);

    // Steps of the buttons, public for tests and automation.
    void review();
    void apply();
    void cancelRun();

    void applyBatchTexts();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildFieldsPage();
    void buildReviewPage();
    void buildResultPage();
    void showPage(Page page);
    void onModuleRead(int index);
    void onReadsFinished();
    void showResultRow(int index);
    void onApplyDone();
    void updateStatus();
    void chooseTemplateFile();
    void chooseExportFile();
    void showMessage(const QString &text);
    // True (with a message when it is another operation) while the wire is taken.
    bool wireBusy();
    // The values each module is to get; nullopt (message shown) when there are none or the IP
    // run fails.
    std::optional<QList<FieldValues>> wantedPerModule();

    BatchRun *m_run;
    MessageFunction m_message;
    FileFunction m_fileDialog;
    std::function<bool()> m_busy;
    QList<DeviceEntry> m_modules;
    QList<FieldValues> m_wanted;
    QString m_templateSource;

    QStackedWidget *m_pages = nullptr;
    QLabel *m_lblSource = nullptr;
    QPushButton *m_btnLoad = nullptr;
    QTableWidget *m_fields = nullptr;
    QCheckBox *m_chkIp = nullptr;
    QLineEdit *m_edtIp = nullptr;
    QPushButton *m_btnReview = nullptr;
    QTableWidget *m_review = nullptr;
    QPushButton *m_btnBack = nullptr;
    QPushButton *m_btnApply = nullptr;
    QTableWidget *m_result = nullptr;
    QPushButton *m_btnCancel = nullptr;
    QPushButton *m_btnExport = nullptr;
    QPushButton *m_btnClose = nullptr;
    QLabel *m_status = nullptr;
};
