#include "ComPath.h"

#include "LogView.h"
#include "MainWindow.h"

#include "common/ParamBlocks.h"
#include "lang/LangList.h"
#include "q1panel/Q1Panel.h"
#include "q2panel/PanelFields.h"
#include "q2panel/Q2Panel.h"
#include "serial/SerialFrames.h"
#include "serial/SerialPort.h"
#include "serial/SerialSession.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A port list that asks the system for its ports each time it drops down.
class PortList : public QComboBox
{
public:
    std::function<void()> beforePopup;
    void showPopup() override
    {
        if (beforePopup)
            beforePopup();
        QComboBox::showPopup();
    }
};

void addComTexts()
{
    // Texts the classic table does not have; a Lang.txt entry of the same key relabels them.
    LangList &list = langList();
    const struct
    {
        const char *key, *zh, *en;
    } texts[] = {
        {"lang_ComMissing", "串口不存在", "The serial port does not exist"},
        {"lang_ComBusy", "串口被其他程序占用", "Another program holds the serial port"},
        {"lang_ComNoRights", "没有打开串口的权限（Linux：请把用户加入 dialout 组）",
         "No permission to open the serial port (Linux: add the user to the dialout group)"},
        {"lang_ComReadFirst", "请先通过串口读取参数，再写入",
         "Read the module over the serial port before writing it"},
        {"lang_ComBadField", "无法写入，该项的值不合法：",
         "Not written, this field is not valid: "},
    };
    for (const auto &t : texts) {
        const QString key = QLatin1String(t.key);
        if (list.lookup(key) == key)
            list.addBuiltIn(key, QString::fromUtf8(t.zh), QString::fromUtf8(t.en));
    }
}

QString text(const char *key)
{
    return langText(QLatin1String(key));
}

} // namespace

ComPath::ComPath(MainWindow *window, Q1Panel *q1, Q2Panel *q2, QWidget *page)
    : QObject(window)
    , m_window(window)
    , m_q1(q1)
    , m_q2(q2)
    , m_port(new SerialPort(this))
    , m_session(new SerialSession(m_port, this))
{
    addComTexts();
    auto *ports = new PortList;
    ports->beforePopup = [this] { refillPorts(); };
    cbb_SelectCom = ports;
    cbb_SelectCom->setObjectName(QStringLiteral("cbb_SelectCom"));
    cbb_SelectCom->setEditable(false);
    cbbSoftBitRate = new QComboBox;
    cbbSoftBitRate->setObjectName(QStringLiteral("cbbSoftBitRate"));
    cbbSoftBitRate->addItems(
        {QStringLiteral("115200"), QStringLiteral("自定义"), QStringLiteral("600"),
         QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
         QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
         QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200"),
         QStringLiteral("230400"), QStringLiteral("256000"), QStringLiteral("460800"),
         QStringLiteral("921600")});
    cbbSoftBitRate->setCurrentIndex(cbbSoftBitRate->findText(QStringLiteral("9600")));
    lbl_SelectCom = new QLabel;
    lbl_SelectCom->setObjectName(QStringLiteral("lbl_SelectCom"));
    lbl_SelectCom->setBuddy(cbb_SelectCom);
    lbl1 = new QLabel;
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->setBuddy(cbbSoftBitRate);
    btn_ComRead = new QPushButton;
    btn_ComRead->setObjectName(QStringLiteral("btn_ComRead"));

    auto *column = new QVBoxLayout(page);
    auto *grid = new QGridLayout;
    grid->addWidget(lbl_SelectCom, 0, 0);
    grid->addWidget(cbb_SelectCom, 0, 1);
    grid->addWidget(lbl1, 1, 0);
    grid->addWidget(cbbSoftBitRate, 1, 1);
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
    column->addStretch(1);
    column->addWidget(btn_ComRead);

    connect(btn_ComRead, &QPushButton::clicked, this, &ComPath::read);
    connect(m_q2, &Q2Panel::q2ComSetClicked, this, &ComPath::writeQ2);
    connect(m_q1, &Q1Panel::comSetClicked, this, &ComPath::writeQ1);
    connect(cbbSoftBitRate, &QComboBox::activated, this, [this](int index) {
        if (index == 1)
            askCustomBaud(cbbSoftBitRate, m_window, openBaudPrompt);
    });
    // The main window's operation guard disables every frame-sending control while it runs.
    connect(m_session, &SerialSession::started, this, &ComPath::started);
    connect(m_session, &SerialSession::finished, this, &ComPath::finished);
    connect(m_session, &SerialSession::portOpened, this, &ComPath::onPortOpened);
    connect(m_session, &SerialSession::frameSent, this, &ComPath::onFrameSent);
    connect(m_session, &SerialSession::burstReceived, this, &ComPath::onBurst);
    connect(m_session, &SerialSession::portClosed, this,
            [this] { m_window->logOk(text("lang_ComIsClose")); });
    applyComTexts();
}

ComPath::~ComPath() = default;

bool ComPath::isRunning() const
{
    return m_session->isRunning();
}

void ComPath::shutdown()
{
    m_session->stop();
    m_port->close();
}

QString ComPath::portText() const
{
    return cbb_SelectCom->currentText();
}

void ComPath::setPortText(const QString &portName)
{
    if (cbb_SelectCom->findText(portName) < 0)
        cbb_SelectCom->addItem(portName);
    cbb_SelectCom->setCurrentIndex(cbb_SelectCom->findText(portName));
}

void ComPath::refillPorts()
{
    const QString current = cbb_SelectCom->currentText();
    cbb_SelectCom->clear();
    cbb_SelectCom->addItems(SerialPort::availablePorts());
    const int index = cbb_SelectCom->findText(current);
    cbb_SelectCom->setCurrentIndex(index >= 0 ? index : (cbb_SelectCom->count() > 0 ? 0 : -1));
}

void ComPath::setComTab(bool com)
{
    if (com)
        refillPorts();
}

void ComPath::applyComTexts()
{
    lbl_SelectCom->setText(text("lang_lbl_SelectCom"));
    lbl1->setText(text("lang_lbl_BaudRate"));
    cbb_SelectCom->setAccessibleName(lbl_SelectCom->text());
    cbbSoftBitRate->setAccessibleName(lbl1->text());
    btn_ComRead->setText(text("lang_btn_ComRead"));
    btn_ComRead->setToolTip(text("lang_H_btn_ComRead"));
    cbb_SelectCom->setToolTip(text("lang_Hint_ComF5"));
    cbbSoftBitRate->setItemText(1, text("lang_BaudRate_Custom"));
}

void ComPath::prepareLine()
{
    bool ok = false;
    const int baud = cbbSoftBitRate->currentText().trimmed().toInt(&ok);
    m_port->setPortName(cbb_SelectCom->currentText());
    m_port->setBaudRate(ok && baud > 0 ? baud : 9600);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
}

void ComPath::read()
{
    if (isRunning())
        return;
    m_window->clearLogs();
    prepareLine();
    m_session->start(SerialPlan::read());
}

void ComPath::writeQ2()
{
    if (isRunning())
        return;
    if (!m_haveRead) {
        m_window->logColor(text("lang_ComReadFirst"), LogColors::kError);
        return;
    }
    if (!m_q2->validateQ2Panel())
        return;
    const SerialWrite write = buildQ2SerialWrite(m_q2->collectBaseParam(), m_q2->collectPortParam(),
                                                 m_haveRead, m_stored);
    if (write.refused()) {
        m_window->logColor(text("lang_ComBadField") + write.badField, LogColors::kError);
        return;
    }
    prepareLine();
    m_session->start(SerialPlan::write(write.frames));
}

void ComPath::writeQ1()
{
    if (isRunning())
        return;
    if (m_q1->edt_ID->text().isEmpty())
        m_q1->edt_ID->setText(QStringLiteral("0"));
    const Q1FrameResult frame = buildQ1Frame(m_q1->collectQ1Params());
    if (!frame.ok()) {
        m_window->logColor(text("lang_ComBadField") + m_q1->captionOf(frame.badField),
                           LogColors::kError);
        return;
    }
    prepareLine();
    m_session->start(SerialPlan::write({frame.frame}));
}

void ComPath::onPortOpened(bool ok)
{
    if (ok) {
        m_window->logOk(text("lang_ComIsOpen"));
        return;
    }
    m_window->logColor(text("lang_ComIsNo"), LogColors::kError);
    const char *detail = nullptr;
    switch (m_port->lastOpenError()) {
    case SerialPort::OpenError::Missing:
        detail = "lang_ComMissing";
        break;
    case SerialPort::OpenError::Busy:
        detail = "lang_ComBusy";
        break;
    case SerialPort::OpenError::NoRights:
        detail = "lang_ComNoRights";
        break;
    default:
        break;
    }
    if (detail)
        m_window->logColor(text(detail), LogColors::kError);
    else if (!m_port->errorText().isEmpty())
        m_window->logColor(m_port->errorText(), LogColors::kError);
}

void ComPath::hexLines(const QByteArray &bytes, bool sent)
{
    for (const SerialLogLine &line : serialHexLines(bytes, sent)) {
        switch (line.tone) {
        case SerialLogLine::Sent:
            m_window->hexColor(line.text, LogColors::kSent);
            break;
        case SerialLogLine::Received:
            m_window->hexColor(line.text, LogColors::kReceived);
            break;
        case SerialLogLine::Plain:
            m_window->hexLine(line.text);
            break;
        }
    }
}

void ComPath::onFrameSent(const QByteArray &bytes, bool ok)
{
    if (!ok) {
        m_window->logColor(text("lang_Ts_ComSendFailure"), LogColors::kError);
        return;
    }
    hexLines(bytes, true);
    m_window->logOk(text("lang_ts_Send") + text("lang_ts_OK"));
}

void ComPath::onBurst(const QByteArray &burst)
{
    hexLines(burst, false);
    switch (classifySerialReply(burst)) {
    case SerialReply::Ack:
        m_window->logOk(text("lang_Ts_ComSetOk"));
        break;
    case SerialReply::Q1Params:
        onQ1Reply(burst);
        break;
    case SerialReply::Extension:
        m_q2->showCloud(cloudOfExtension(burst));
        m_q2->showHeartReg(heartRegOfExtension(burst));
        break;
    case SerialReply::Q2Params: {
        const QByteArray param = paramBlockOfReply(burst);
        m_stored.storeReply(param);
        m_haveRead = true;
        m_window->setLayout(MainWindow::Layout::Q2);
        m_q2->showQ2Params(parseBaseParam(param), parsePortParam(portBlock(param)));
        break;
    }
    case SerialReply::OtherByte:
    case SerialReply::Other:
        break;
    }
}

void ComPath::onQ1Reply(const QByteArray &burst)
{
    const auto params = parseQ1Reply(burst);
    if (!params) {
        m_window->logColor(text("lang_DataHeadOrChkErr"), LogColors::kError);
        return;
    }
    m_window->setLayout(MainWindow::Layout::Q1);
    m_q1->showQ1Params(*params);
    m_window->logOk(text("lang_ts_Read") + text("lang_ts_OK"));
}
