#include "ScheduleBoard.h"

#include "ScheduleFiles.h"
#include "ScheduleRowDialog.h"
#include "textfiles/TextFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kClockIntervalMs = 100;

bool isRow(int row)
{
    return row >= 0 && row < kScheduleRowCount;
}

QLineEdit *makeClockBox(const QString &name)
{
    auto *box = new QLineEdit;
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignCenter);
    box->setAccessibleName(name == QStringLiteral("TxtDate") ? QStringLiteral("日期")
                                                             : QStringLiteral("时间"));
    return box;
}

} // namespace

ScheduleBoard::ScheduleBoard(QWidget *parent)
    : QGroupBox(QStringLiteral("定时配置区"), parent)
    , m_on(kScheduleRowCount)
    , m_off(kScheduleRowCount)
    , m_folder(TextFiles::folder())
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("Frame1"));
    buildControls();

    m_dialog = new ScheduleRowDialog(this);
    m_dialog->hide();
    connect(m_dialog, &ScheduleRowDialog::rowStored, this, &ScheduleBoard::storeRow);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("TmrDateTime"));
    m_timer->setInterval(kClockIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &ScheduleBoard::tick);
    m_timer->start();
}

ScheduleBoard::~ScheduleBoard()
{
    // The clock boxes belong to whichever window placed them; unplaced ones are ours.
    for (QLineEdit *box : {m_date.data(), m_time.data()}) {
        if (box && !box->parent())
            delete box;
    }
}

void ScheduleBoard::buildControls()
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("定时配置"));
    m_list->setAccessibleName(QStringLiteral("定时配置"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Wide enough for a stored line with its check box.
    m_list->setMinimumWidth(m_list->fontMetrics().horizontalAdvance(
                                buildScheduleLine(0, "00:00:00", "00:00:00", "巡迹二")) +
                            60);
    for (int n = 0; n < kScheduleRowCount; ++n)
        m_list->addItem(makeItem(defaultScheduleLine(n), false));
    connect(m_list, &QListWidget::itemDoubleClicked, this, &ScheduleBoard::onRowDoubleClicked);

    m_help = new QPushButton(QStringLiteral("定时配置说明"), this);
    m_help->setObjectName(QStringLiteral("定时配置说明"));
    connect(m_help, &QPushButton::clicked, this, &ScheduleBoard::showHelp);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_help, 0, Qt::AlignRight);

    m_date = makeClockBox(QStringLiteral("TxtDate"));
    m_time = makeClockBox(QStringLiteral("TxtTime"));
}

QListWidgetItem *ScheduleBoard::makeItem(const QString &line, bool ticked) const
{
    auto *item = new QListWidgetItem(line);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    return item;
}

void ScheduleBoard::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void ScheduleBoard::setNotifier(ScheduleNotifier notifier)
{
    m_notify = notifier;
    m_dialog->setNotifier(std::move(notifier));
}

QDateTime ScheduleBoard::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

QString ScheduleBoard::displayLine(int row) const
{
    return isRow(row) ? m_list->item(row)->text() : QString();
}

bool ScheduleBoard::isTicked(int row) const
{
    return isRow(row) && m_list->item(row)->checkState() == Qt::Checked;
}

void ScheduleBoard::setTicked(int row, bool ticked)
{
    if (isRow(row))
        m_list->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

ArmedTime ScheduleBoard::armedOn(int row) const
{
    return isRow(row) ? m_on.at(row) : ArmedTime{};
}

ArmedTime ScheduleBoard::armedOff(int row) const
{
    return isRow(row) ? m_off.at(row) : ArmedTime{};
}

void ScheduleBoard::storeRow(int row, const QString &onText, const QString &offText,
                             const QString &motionName)
{
    if (!isRow(row))
        return;
    // The new line goes in front of the old one, which is then removed with its check mark.
    m_list->insertItem(row, makeItem(buildScheduleLine(row, onText, offText, motionName), true));
    const QDateTime at = now();
    m_on[row] = armTime(onText, at);
    m_off[row] = armTime(offText, at);
    delete m_list->takeItem(row + 1);
    m_list->setCurrentRow(row);
}

void ScheduleBoard::onRowDoubleClicked(QListWidgetItem *item)
{
    m_dialog->openForRow(m_list->row(item));
}

void ScheduleBoard::showHelp()
{
    if (m_notify)
        m_notify(this, kScheduleHelpText);
}

void ScheduleBoard::tick()
{
    const QDateTime at = now();
    m_date->setText(at.toString(QStringLiteral("yyyy-MM-dd")));
    m_time->setText(at.toString(QStringLiteral("HH:mm:ss")));
    checkSchedules(at);
}

void ScheduleBoard::checkSchedules(const QDateTime &now)
{
    QList<ScheduleRowState> rows;
    rows.reserve(kScheduleRowCount);
    for (int n = 0; n < kScheduleRowCount; ++n)
        rows.append({displayLine(n), isTicked(n), m_on.at(n), m_off.at(n)});
    QList<ScheduleMiss> missed;
    const QList<ScheduleFiring> firings = ::checkSchedules(rows, now, &missed);
    for (int n = 0; n < kScheduleRowCount; ++n) {
        m_on[n] = rows.at(n).on;
        m_off[n] = rows.at(n).off;
    }
    for (const ScheduleMiss &miss : missed)
        emit scheduleMissed(miss.row, scheduleMissText(miss));
    for (const ScheduleFiring &firing : firings) {
        if (firing.action == LightSwitch::On)
            emit lightOnDue(firing.row, firing.motionMode);
        else
            emit lightOffDue(firing.row, firing.motionMode);
    }
}

void ScheduleBoard::loadFiles()
{
    // What a save cut short by a kill left behind. Another console on the same folder may be
    // saving right now: its temporary is seconds old and stays.
    TextFiles::removeStaleSaveTemporaries(
        m_folder, {kDeviceIpFileName, kScheduleLinesFileName, kScheduleMarksFileName});
    loadDeviceIpFile();
    loadScheduleFiles();
}

std::optional<QByteArray> ScheduleBoard::readFile(const QString &fileName)
{
    const QString path = QDir(m_folder).filePath(fileName);
    const TextFiles::BoundedRead read = TextFiles::readBounded(path, kMaxScheduleFileBytes);
    if (read.status == TextFiles::BoundedRead::Status::TooLarge) {
        if (!m_notRead.contains(fileName))
            m_notRead.append(fileName);
        emit fileTrouble(kScheduleFileTooLargeText.arg(QDir::toNativeSeparators(path)));
    }
    if (read.status != TextFiles::BoundedRead::Status::Read)
        return std::nullopt;
    return read.bytes;
}

void ScheduleBoard::loadDeviceIpFile()
{
    const std::optional<QByteArray> bytes = readFile(kDeviceIpFileName);
    if (!bytes)
        return;
    QBuffer ipFile;
    ipFile.setData(*bytes);
    ipFile.open(QIODevice::ReadOnly);
    if (const std::optional<QString> ip = readDeviceIpFile(ipFile))
        m_deviceIp = *ip;
}

void ScheduleBoard::loadScheduleFiles()
{
    if (const std::optional<QByteArray> bytes = readFile(kScheduleMarksFileName)) {
        QBuffer marksFile;
        marksFile.setData(*bytes);
        marksFile.open(QIODevice::ReadOnly);
        QList<bool> marks(kScheduleRowCount);
        for (int n = 0; n < kScheduleRowCount; ++n)
            marks[n] = isTicked(n);
        readScheduleMarks(marksFile, marks);
        for (int n = 0; n < kScheduleRowCount; ++n)
            setTicked(n, marks.at(n));
    }

    if (const std::optional<QByteArray> bytes = readFile(kScheduleLinesFileName)) {
        QBuffer linesFile;
        linesFile.setData(*bytes);
        linesFile.open(QIODevice::ReadOnly);
        QStringList lines;
        for (int n = 0; n < kScheduleRowCount; ++n)
            lines.append(displayLine(n));
        readScheduleLines(linesFile, lines);
        for (int n = 0; n < kScheduleRowCount; ++n)
            m_list->item(n)->setText(lines.at(n));
    }

    // Every stored row keeps working after a restart: its times come back from its line.
    const QDateTime at = now();
    for (int n = 0; n < kScheduleRowCount; ++n) {
        ScheduleRowState row{displayLine(n), isTicked(n), {}, {}};
        armFromLine(row, at);
        m_on[n] = row.on;
        m_off[n] = row.off;
    }
}

bool ScheduleBoard::saveFile(const QString &fileName, const QStringList &lines,
                             const SameLine &same, QStringList *failures) const
{
    // A file too large to read holds rows this run never saw: it stays as it is.
    if (m_notRead.contains(fileName))
        return true;
    const QString path = QDir(m_folder).filePath(fileName);
    // Read again now: the lines past ours are given back as they are at this moment.
    const TextFiles::BoundedRead read = TextFiles::readBounded(path, kMaxScheduleFileBytes);
    if (read.status == TextFiles::BoundedRead::Status::TooLarge)
        return true;
    QString error = read.error;
    // A file that is there but cannot be read would lose the lines past ours. (A folder in its
    // place is left to the write, which says why it fails.)
    const bool unreadable =
        read.status == TextFiles::BoundedRead::Status::Unreadable && !QFileInfo(path).isDir();
    if (!unreadable && TextFiles::writeAtomically(
                           path, rewriteScheduleFile(read.bytes, lines, same), false, &error))
        return true;
    if (failures)
        failures->append(kScheduleSaveFailedText.arg(QDir::toNativeSeparators(path), error));
    return false;
}

bool ScheduleBoard::saveFiles(QStringList *failures) const
{
    QStringList lines;
    QList<bool> marks;
    for (int n = 0; n < kScheduleRowCount; ++n) {
        lines.append(displayLine(n));
        marks.append(isTicked(n));
    }
    bool ok = saveFile(kDeviceIpFileName, {m_deviceIp}, {}, failures);
    ok = saveFile(kScheduleLinesFileName, lines, {}, failures) && ok;
    ok = saveFile(kScheduleMarksFileName, scheduleMarkLines(marks), sameCheckMark, failures) && ok;
    return ok;
}
