#pragma once

// The main window's serial configuration path: the "Operate Via COM" tab (port, PC-side baud
// rate, read button), the two serial writes of the Q1 and Q2 panels, and the handling of the
// module's replies. Each operation is a timed serial session; the window keeps working while it
// runs, and the controls that send frames are disabled between started() and finished().

#include "common/StoredAnswers.h"

#include <QObject>

class MainWindow;
class Q1Panel;
class Q2Panel;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class SerialPort;
class SerialSession;

class ComPath : public QObject
{
    Q_OBJECT
public:
    // Builds the tab's controls into `page`.
    ComPath(MainWindow *window, Q1Panel *q1, Q2Panel *q2, QWidget *page);
    ~ComPath() override;

    // The tab was entered (true) or left: the port list is refilled on entering.
    void setComTab(bool com);
    // The port list's text, as the settings keep it.
    QString portText() const;
    void setPortText(const QString &text);
    void refillPorts();
    void applyComTexts();
    // Ends a running operation and closes the port (the window is closing).
    void shutdown();

    bool isRunning() const;
    SerialSession *session() const { return m_session; }
    SerialPort *port() const { return m_port; }

    QLabel *lbl_SelectCom = nullptr;
    QComboBox *cbb_SelectCom = nullptr;
    QLabel *lbl1 = nullptr;
    QComboBox *cbbSoftBitRate = nullptr;
    QPushButton *btn_ComRead = nullptr;

signals:
    void started();
    void finished();

private:
    void read();
    void writeQ2();
    void writeQ1();
    void prepareLine();
    void onPortOpened(bool ok);
    void onFrameSent(const QByteArray &bytes, bool ok);
    void onBurst(const QByteArray &burst);
    void onQ1Reply(const QByteArray &burst);
    void hexLines(const QByteArray &bytes, bool sent);

    MainWindow *m_window;
    Q1Panel *m_q1;
    Q2Panel *m_q2;
    SerialPort *m_port;
    SerialSession *m_session;
    // The module's own blocks from the last serial read: a Q2 serial write is built inside them.
    StoredAnswers m_stored;
    bool m_haveRead = false;
};
