#include <QTest>
class Stub : public QObject
{
    Q_OBJECT
};
QTEST_APPLESS_MAIN(Stub)
#include "tst_scheduleboard.moc"
