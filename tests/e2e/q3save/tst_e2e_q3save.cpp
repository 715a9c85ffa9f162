// Reading and saving a Q3 module from the main window against x7sim over loopback: the Q3 panel
// is filled from the module's block, the save sends base, port and apply to port 1901 with their
// pauses and keeps every byte the panel does not define, a module that reports all-FF as its
// user MAC is still read and saved on its own bytes, and an empty number field refuses the save.

#include "app/LogView.h"
#include "app/MainWindow.h"

#include "common/ValueHelpers.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lan/SavePlan.h"
#include "lang/LangList.h"
#include "support/SimProcess.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Sent
{
    quint8 code;
    quint16 port;
    qint64 atMs;
};

QByteArray lastBlock(const QByteArray &output, const QByteArray &name)
{
    QByteArray found;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 4 && parts.at(0) == "block" && parts.at(2) == name)
            found = QByteArray::fromHex(parts.at(3));
    }
    return found;
}

} // namespace

class TestE2eQ3Save : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void readFillsAndSaveKeepsTheModuleBytes();
    void allFfUserMacIsTheClickedModulesBlock();
    void emptyNumberFieldRefusesTheSave();
    void saveWithoutAReadIsRefused();
    void screenshots();

private:
    void searchAndClick();
    QList<Sent> save();
    template<typename T> T *child(const char *name)
    {
        T *w = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    void setText(const char *name, const QString &text)
    {
        auto *edit = child<QLineEdit>(name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    QTemporaryDir m_files;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    QList<Sent> m_sent;
    QElapsedTimer m_clock;
    QStringList m_messages;
};

void TestE2eQ3Save::initTestCase()
{
    qputenv("X7_FILES_DIR", m_files.path().toLocal8Bit());
    QVERIFY2(m_sim.start("X7SIM", {"--model", "Q3", "--mac", "D8B04C00B001", "--restart-ms", "0",
                                   "--dump-after-write"}),
             m_sim.errors().constData());
    MainWindow::setMessageSink([this](QWidget *, const QString &text) { m_messages << text; });
}

void TestE2eQ3Save::init()
{
    setBindAddressOverride({QStringLiteral("127.0.0.1")});
    m_window = new MainWindow;
    m_window->show();
    m_sent.clear();
    m_messages.clear();
    m_clock.start();
    connect(
        m_window->endpoint(), &ModuleEndpoint::dataSent, this,
        [this](const QByteArray &frame, const QString &, const QString &, quint16 port, quint16) {
            m_sent.append({quint8(frame.at(2)), port, m_clock.elapsed()});
        });
}

void TestE2eQ3Save::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TestE2eQ3Save::searchAndClick()
{
    if (m_window->devices()->rowCount() == 0) {
        child<QPushButton>("btn_Search")->click();
        QTRY_COMPARE(m_window->devices()->rowCount(), 1);
    }
    auto *list = child<QTableView>("lv_Dev");
    m_window->setLayout(MainWindow::Layout::ListOnly);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QTRY_COMPARE(m_window->currentLayout(), MainWindow::Layout::Q3);
}

QList<Sent> TestE2eQ3Save::save()
{
    const int first = int(m_sent.size());
    QSignalSpy finished(m_window->saveRunner(), &SaveRunner::finished);
    child<QPushButton>("btn_Q3NetSet")->click();
    if (!m_window->saveRunner()->isRunning())
        return {};
    [&] { QVERIFY(finished.wait(10000)); }();
    return m_sent.mid(first);
}

void TestE2eQ3Save::readFillsAndSaveKeepsTheModuleBytes()
{
    searchAndClick();
    QCOMPARE(child<QLineEdit>("edt_StaticIPQ3")->text(), QStringLiteral("192.168.0.7"));
    QCOMPARE(child<QLineEdit>("edt_UserMACQ3")->text(), QStringLiteral("D8 B0 4C 00 B0 01"));
    QCOMPARE(child<QLineEdit>("edt_UARTLength0Q3")->text(), QStringLiteral("1024"));
    const QByteArray before = m_window->endpoint()->stored().param;

    setText("edt_ModNameQ3", QStringLiteral("line-7"));
    setText("edt_UARTLength0Q3", QStringLiteral("1024"));
    child<QComboBox>("cbb_WorkMode0Q3")->setCurrentIndex(3); // TCP Server
    child<QComboBox>("cbb_ModbusTCP0Q3")->setCurrentIndex(1);
    child<QComboBox>("cbb_TCPSvrCount0Q3")->setCurrentIndex(7); // 8 connections
    child<QComboBox>("cbb_TCPStyle0Q3")->setCurrentIndex(0);    // style 1
    const QList<Sent> frames = save();
    QCOMPARE(frames.size(), 3);
    QCOMPARE(frames.at(0).code, quint8(0x05));
    QCOMPARE(frames.at(1).code, quint8(0x06));
    QCOMPARE(frames.at(2).code, quint8(0x04));
    for (const Sent &s : frames)
        QCOMPARE(s.port, quint16(1901));
    QVERIFY(frames.at(1).atMs - frames.at(0).atMs >= 490);
    QVERIFY(frames.at(2).atMs - frames.at(1).atMs >= 490);

    QTRY_COMPARE(lastBlock(m_sim.output(), "base").size(), 130);
    QTRY_VERIFY(lastBlock(m_sim.output(), "base").mid(67 + 51, 1) == QByteArray(1, '\x03'));
    const QByteArray after = lastBlock(m_sim.output(), "base");
    QCOMPARE(after.mid(21, 6), QByteArray("line-7"));
    const QByteArray port = after.mid(67);
    QCOMPARE(port.mid(52, 4), QByteArray::fromHex("00040000"));
    QCOMPARE(quint8(port.at(58)), quint8(0x81));
    QVERIFY(quint8(port.at(50)) & 0x04); // Modbus TCP, for a TCP server
    // The bytes no Q3 control defines are the module's own.
    for (int i : {0, 1, 2, 8, 49, 50, 51, 59, 60, 61, 62, 63, 64, 65, 66})
        QCOMPARE(quint8(after.at(i)), quint8(before.at(i)));
    for (int i : {46, 47, 48, 49, 56, 57, 59, 60, 61, 62})
        QCOMPARE(quint8(port.at(i)), quint8(before.at(67 + i)));
}

void TestE2eQ3Save::allFfUserMacIsTheClickedModulesBlock()
{
    // Make the module report all-FF (its own MAC) as its user MAC.
    searchAndClick();
    setText("edt_UserMACQ3", QStringLiteral("FF FF FF FF FF FF"));
    setText("edt_ModNameQ3", QStringLiteral("ff-module"));
    QCOMPARE(save().size(), 3);
    QTRY_COMPARE(lastBlock(m_sim.output(), "base").mid(53, 6), QByteArray(6, '\xFF'));

    // A block with all-FF that no read asked for is not taken as the template.
    const QByteArray stored = m_window->endpoint()->stored().param;
    QByteArray stray = lastBlock(m_sim.output(), "base");
    stray[21] = 'X';
    m_window->endpoint()->handleDatagram(stray, QStringLiteral("127.0.0.1"), 1901, 0);
    QCOMPARE(m_window->endpoint()->stored().param, stored);

    // The answer to the read of the clicked row is taken: the panel shows it, and the next
    // save builds on the module's own bytes.
    searchAndClick();
    QCOMPARE(child<QLineEdit>("edt_ModNameQ3")->text(), QStringLiteral("ff-module"));
    QCOMPARE(m_window->endpoint()->stored().param, lastBlock(m_sim.output(), "base"));
    const QByteArray module = lastBlock(m_sim.output(), "base");
    setText("edt_RemotePort0Q3", QStringLiteral("6001"));
    QCOMPARE(save().size(), 3);
    QTRY_VERIFY(lastBlock(m_sim.output(), "base").mid(67 + 14, 2) == QByteArray::fromHex("7117"));
    const QByteArray after = lastBlock(m_sim.output(), "base");
    QByteArray expected = module;
    expected.replace(67 + 14, 2, QByteArray::fromHex("7117"));
    QCOMPARE(after.toHex(' '), expected.toHex(' '));
}

void TestE2eQ3Save::emptyNumberFieldRefusesTheSave()
{
    searchAndClick();
    const QByteArray stored = m_window->endpoint()->stored().param;
    child<QLineEdit>("edt_LocalPort0Q3")->clear();
    QVERIFY(save().isEmpty());
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.first().startsWith(child<QLabel>("lbl_LocalPort0Q3")->text()));
    setText("edt_LocalPort0Q3", QStringLiteral("80a"));
    QVERIFY(save().isEmpty());
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(m_window->endpoint()->stored().param, stored);
}

void TestE2eQ3Save::saveWithoutAReadIsRefused()
{
    // Selected but never read: the stored block is not this module's, so nothing is sent.
    child<QPushButton>("btn_Search")->click();
    QTRY_COMPARE(m_window->devices()->rowCount(), 1);
    child<QTableView>("lv_Dev")->selectRow(0);
    m_window->setLayout(MainWindow::Layout::Q3);
    QVERIFY(save().isEmpty());
    QVERIFY(
        child<LogView>("redt_Log")->lines().contains(langText(QStringLiteral("lang_Q3ReadFirst"))));
}

void TestE2eQ3Save::screenshots()
{
    const QString dir = QString::fromLocal8Bit(qgetenv("X7_SCREENSHOT_DIR"));
    if (dir.isEmpty())
        QSKIP("set X7_SCREENSHOT_DIR to write screenshots");
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
    searchAndClick();
    m_window->resize(m_window->width(), 720);
    QTest::qWait(200);
    QVERIFY(m_window->grab().save(dir + QStringLiteral("/q3_cn.png")));
    m_window->findChild<QAction *>(QStringLiteral("mni_En"))->trigger();
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(dir + QStringLiteral("/q3_en.png")));
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
}

QTEST_MAIN(TestE2eQ3Save)
#include "tst_e2e_q3save.moc"
