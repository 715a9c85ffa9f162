// Firmware upgrades against x7sim's boot loader, in a network namespace this test creates: the
// window sits on the near end of a veth pair, the simulated module on the far end, so the
// wake-up, the BOOTP broadcasts and the privileged ports 9, 67 and 69 never touch a real
// interface. The image is judged by the file the boot loader wrote, not by what was sent.
// Needs root (ip netns, ports below 1024); skips with a message otherwise.

#include "app/MainWindow.h"
#include "common/ValueHelpers.h"
#include "lan/DeviceListModel.h"
#include "lang/LangList.h"
#include "support/NetnsLink.h"
#include "upgrade/UpgradeWindow.h"

#include "support/TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <unistd.h>

namespace {

const QString kMac = QStringLiteral("D8B04C001234");

// A simulator in the far namespace; waits for its "ready" line.
class FarSim
{
public:
    bool start(const NetnsLink &link, const QStringList &args)
    {
        const QString sim = QString::fromLocal8Bit(qgetenv("X7SIM"));
        m_p.setProcessChannelMode(QProcess::SeparateChannels);
        m_p.start(QStringLiteral("ip"), link.farCommand(sim, args));
        if (!m_p.waitForStarted(5000))
            return false;
        while (!m_out.contains("ready")) {
            if (!m_p.waitForReadyRead(5000))
                return false;
            m_out += m_p.readAllStandardOutput();
        }
        return true;
    }
    QByteArray output()
    {
        m_out += m_p.readAllStandardOutput();
        return m_out;
    }
    QByteArray errors() { return m_p.readAllStandardError(); }
    ~FarSim()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.terminate();
            if (!m_p.waitForFinished(2000))
                m_p.kill();
            m_p.waitForFinished(2000);
        }
    }

private:
    QProcess m_p;
    QByteArray m_out;
};

QByteArray makeImage(int size, const QByteArray &signature = QByteArrayLiteral("X7BL"))
{
    QByteArray bytes = signature;
    quint32 x = 12345;
    while (bytes.size() < size) {
        x = x * 1103515245u + 12345u;
        bytes += char(x >> 16);
    }
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(UpgradeResult)

class TestE2eUpgrade : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fromTheDeviceList();
    void faults_data();
    void faults();
    void wrongSignature();
    void silentBootLoader();
    void portInUse();

private:
    QString writeImage(const QString &name, const QByteArray &bytes);
    std::unique_ptr<UpgradeWindow> windowFor(const QString &file);
    void screenshot(QWidget *w, const QString &name);

    std::unique_ptr<NetnsLink> m_link;
    QTemporaryDir m_dir;
};

void TestE2eUpgrade::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("the upgrade needs ports 9, 67 and 69 and a network namespace: run as root");
    qRegisterMetaType<UpgradeResult>();
    qputenv("X7_FILES_DIR", m_dir.path().toLocal8Bit());
    m_link = std::make_unique<NetnsLink>(QStringLiteral("u"), QStringLiteral("10.79.0"));
    QString error;
    if (!m_link->setUp(&error)) {
        m_link.reset();
        QSKIP(qPrintable(QStringLiteral("network namespaces unavailable: ") + error));
    }
    setBindAddressOverride({m_link->nearIp()});
    MainWindow::setMessageSink([](QWidget *, const QString &) {});
}

void TestE2eUpgrade::cleanupTestCase()
{
    m_link.reset();
    setBindAddressOverride({});
}

QString TestE2eUpgrade::writeImage(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

std::unique_ptr<UpgradeWindow> TestE2eUpgrade::windowFor(const QString &file)
{
    auto w = std::make_unique<UpgradeWindow>();
    w->setFields(m_link->farIp(), kMac, file);
    w->openFor(QString(), QString(), m_link->nearIp());
    return w;
}

void TestE2eUpgrade::screenshot(QWidget *w, const QString &name)
{
    const QString dir = QString::fromLocal8Bit(qgetenv("X7_SCREENSHOT_DIR"));
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + name));
}

void TestE2eUpgrade::fromTheDeviceList()
{
    // A module that answers the search, and its boot loader, behind the far end.
    FarSim module;
    QVERIFY2(module.start(*m_link, {"--bind", "0.0.0.0", "--mac", kMac, "--ip", m_link->farIp()}),
             module.errors().constData());
    const QString out = m_dir.filePath(QStringLiteral("list.out"));
    FarSim loader;
    QVERIFY2(loader.start(*m_link, {"--bootloader", "--bind", m_link->farIp(), "--mac", kMac,
                                    "--out", out, "--quiet"}),
             loader.errors().constData());
    const QByteArray image = makeImage(100 * 1024);
    const QString file = writeImage(QStringLiteral("list.bin"), image);

    MainWindow window;
    window.show();
    window.findChild<QPushButton *>(QStringLiteral("btn_Search"))->click();
    QTRY_COMPARE(window.devices()->rowCount(), 1);
    auto *list = window.findChild<QTableView *>(QStringLiteral("lv_Dev"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QAction *item = window.findChild<QAction *>(QStringLiteral("mni_FirmwareUp"));
    QTRY_VERIFY(item->isEnabled());
    item->trigger();

    UpgradeWindow *up = window.upgradeWindow();
    QTRY_VERIFY(up->isVisible());
    QVERIFY(up->isModal() || up->windowModality() != Qt::NonModal);
    // The row's address and MAC, and the address of the socket that found the module.
    QCOMPARE(up->findChild<QLineEdit *>(QStringLiteral("edt_IP"))->text(), m_link->farIp());
    QCOMPARE(up->findChild<QLineEdit *>(QStringLiteral("edt_MAC"))->text(), kMac);
    QCOMPARE(up->findChild<QComboBox *>(QStringLiteral("cbbSvrIP"))->currentText(),
             m_link->nearIp());
    up->findChild<QLineEdit *>(QStringLiteral("edt_BinFileName"))->setText(file);
    auto *info = up->findChild<QLabel *>(QStringLiteral("lbl_FileInfo"));
    QVERIFY2(info->text().contains(QStringLiteral("102400")) &&
                 info->text().contains(QStringLiteral("58 37 42 4C")),
             qPrintable(info->text()));

    QSignalSpy started(up, &UpgradeWindow::started);
    QSignalSpy finished(up, &UpgradeWindow::finished);
    auto *program = up->findChild<QPushButton *>(QStringLiteral("btn_Program"));
    auto *exit = up->findChild<QPushButton *>(QStringLiteral("btn_Exit"));
    program->click();
    QCOMPARE(started.size(), 1);
    QVERIFY(!program->isEnabled() && !exit->isEnabled());
    // A close request while the transfer runs is refused, and the transfer goes on.
    QVERIFY(!up->close());
    QVERIFY(up->isVisible());
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(0).at(0).value<UpgradeResult>(), UpgradeResult::Succeeded);
    QCOMPARE(up->findChild<QLabel *>(QStringLiteral("lbl_Info"))->text(),
             langText(QStringLiteral("lang_Hint_UpSuccess")));
    QVERIFY(program->isEnabled() && exit->isEnabled());
    QTRY_VERIFY(loader.output().contains("written to"));
    QCOMPARE(readFile(out), image);

    setIsChinese(true);
    emit window.languageChanged();
    screenshot(up, QStringLiteral("upgrade_cn.png"));
    QCOMPARE(up->findChild<QLabel *>(QStringLiteral("lbl_Info"))->text(),
             QStringLiteral(" 升级已完成，请恢复出厂默认。"));
    setIsChinese(false);
    emit window.languageChanged();
    screenshot(up, QStringLiteral("upgrade_en.png"));
    QCOMPARE(up->findChild<QLabel *>(QStringLiteral("lbl_Info"))->text(),
             QStringLiteral(" Upgrade successful.please restore factory default."));

    // The fields go into the settings written at close.
    QCOMPARE(window.currentSettings().upgradeFileName, file);
    QCOMPARE(window.currentSettings().upgradeIP, m_link->farIp());
    exit->click();
    QVERIFY(!up->isVisible());
}

void TestE2eUpgrade::faults_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("loaderArgs");
    QTest::addColumn<int>("retries");

    // 100 KiB: 199 full blocks and a short 200th.
    QTest::newRow("dropped acknowledgement") << 100 * 1024 << QStringList{"--drop-ack", "7"} << 1;
    QTest::newRow("dropped last acknowledgement")
        << 100 * 1024 << QStringList{"--drop-ack", "last"} << 1;
    QTest::newRow("duplicated acknowledgements")
        << 100 * 1024 << QStringList{"--dup-ack", "1,5,last"} << 0;
    // Data of whole blocks end with an empty block, whose acknowledgement is lost once.
    QTest::newRow("empty last block, its acknowledgement dropped")
        << 4 + 50 * 512 << QStringList{"--drop-ack", "last"} << 1;
}

void TestE2eUpgrade::faults()
{
    QFETCH(int, size);
    QFETCH(QStringList, loaderArgs);
    QFETCH(int, retries);
    const QString out = m_dir.filePath(QStringLiteral("%1.out").arg(QTest::currentDataTag()));
    FarSim loader;
    QVERIFY2(loader.start(*m_link, QStringList{"--bootloader", "--bind", m_link->farIp(), "--mac",
                                               kMac, "--out", out, "--quiet"} +
                                       loaderArgs),
             loader.errors().constData());
    const QByteArray image = makeImage(size);
    auto w = windowFor(writeImage(QStringLiteral("fault.bin"), image));
    QSignalSpy finished(w.get(), &UpgradeWindow::finished);
    w->findChild<QPushButton *>(QStringLiteral("btn_Program"))->click();
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.at(0).at(0).value<UpgradeResult>(), UpgradeResult::Succeeded);
    QTRY_VERIFY(loader.output().contains("written to"));
    QCOMPARE(readFile(out), image);
    // The end figures: time taken and the retries the losses cost.
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("lbl_Detail"))->text(),
             upgradeText({QStringLiteral("lang_Upgrade_Done"),
                          {w->findChild<QLabel *>(QStringLiteral("lbl_Detail"))
                               ->text()
                               .section(QLatin1Char(' '), 1, 1),
                           QString::number(retries)}}));
    if (loaderArgs.contains(QStringLiteral("--dup-ack"))) {
        // No block went out twice: the boot loader never saw a repeated block.
        QVERIFY2(!loader.output().contains("repeated block"), loader.output().constData());
    }
}

void TestE2eUpgrade::wrongSignature()
{
    const QString out = m_dir.filePath(QStringLiteral("sig.out"));
    FarSim loader;
    QVERIFY(loader.start(*m_link, {"--bootloader", "--bind", m_link->farIp(), "--mac", kMac,
                                   "--out", out, "--signature", "X7ZZ"}));
    auto w = windowFor(writeImage(QStringLiteral("sig.bin"), makeImage(4096)));
    QSignalSpy finished(w.get(), &UpgradeWindow::finished);
    w->findChild<QPushButton *>(QStringLiteral("btn_Program"))->click();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).value<UpgradeResult>(), UpgradeResult::Mismatch);
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("lbl_Info"))->text(),
             langText(QStringLiteral("lang_Hint_BinNotMatch")));
    QVERIFY(w->findChild<QLabel *>(QStringLiteral("lbl_Detail"))->text().contains("58 37 5A 5A"));
    QTest::qWait(300);
    QVERIFY(!loader.output().contains("read request"));
    QVERIFY(!QFile::exists(out));
}

void TestE2eUpgrade::silentBootLoader()
{
    FarSim loader;
    QVERIFY(loader.start(*m_link,
                         {"--bootloader", "--bind", m_link->farIp(), "--mac", kMac, "--silent"}));
    auto w = windowFor(writeImage(QStringLiteral("silent.bin"), makeImage(4096)));
    QSignalSpy finished(w.get(), &UpgradeWindow::finished);
    QElapsedTimer clock;
    clock.start();
    w->findChild<QPushButton *>(QStringLiteral("btn_Program"))->click();
    QVERIFY(finished.wait(15000));
    const qint64 ms = clock.elapsed();
    QCOMPARE(finished.at(0).at(0).value<UpgradeResult>(), UpgradeResult::TimedOut);
    QVERIFY2(ms >= 9900 && ms < 12000, qPrintable(QString::number(ms)));
    QVERIFY(w->findChild<QLabel *>(QStringLiteral("lbl_Info"))
                ->text()
                .startsWith(langText(QStringLiteral("lang_Hint_UpTimeOut"))));
    QVERIFY(loader.output().contains("wake-up"));
    QCOMPARE(w->findChild<QProgressBar *>(QStringLiteral("pb1"))->value(), 0);
}

void TestE2eUpgrade::portInUse()
{
    // Another program holds port 69 of the address: the window says which port and what to do.
    QUdpSocket blocker;
    QVERIFY(blocker.bind(QHostAddress(m_link->nearIp()), 69, QUdpSocket::DontShareAddress));
    auto w = windowFor(writeImage(QStringLiteral("busy.bin"), makeImage(4096)));
    QSignalSpy finished(w.get(), &UpgradeWindow::finished);
    w->findChild<QPushButton *>(QStringLiteral("btn_Program"))->click();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<UpgradeResult>(), UpgradeResult::Failed);
    const QString status = w->findChild<QLabel *>(QStringLiteral("lbl_Info"))->text();
    QVERIFY2(status.startsWith(langText(QStringLiteral("lang_Hint_Upfailed"))) &&
                 status.contains(QStringLiteral(" 69 ")),
             qPrintable(status));
    QVERIFY(w->findChild<QPushButton *>(QStringLiteral("btn_Program"))->isEnabled());
    screenshot(w.get(), QStringLiteral("upgrade_port_in_use.png"));
}

QTEST_MAIN(TestE2eUpgrade)
#include "tst_e2e_upgrade.moc"
