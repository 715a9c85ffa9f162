// docs/PARAMETER_KEYS.md lists exactly the keys of the code, with their types, models and
// controls, so that the table and the program cannot drift apart.

#include "engine/ParamKeys.h"

#include <QFile>
#include <QTest>

class TestParameterKeysDoc : public QObject
{
    Q_OBJECT
private slots:
    void tableMatchesCode();
};

void TestParameterKeysDoc::tableMatchesCode()
{
    QFile file(QStringLiteral(X7_KEYS_DOC));
    QVERIFY2(file.open(QIODevice::ReadOnly), X7_KEYS_DOC);
    // Rows of the table: | `key` | type | range or values | models | where | Q2 control | Q3
    // control |
    QMap<QString, QStringList> rows;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("| `")))
            continue;
        QStringList cells = line.split(QLatin1Char('|'));
        QCOMPARE(cells.size(), 9); // empty cells before the first and after the last bar
        for (QString &c : cells)
            c = c.trimmed().remove(QLatin1Char('`'));
        QVERIFY2(!rows.contains(cells.at(1)), qPrintable("listed twice: " + cells.at(1)));
        rows.insert(cells.at(1), cells.mid(2, 6));
    }

    QStringList codeKeys;
    for (const ParamKey &k : paramKeys()) {
        codeKeys << k.key;
        QVERIFY2(rows.contains(k.key), qPrintable("missing from the table: " + k.key));
        const QStringList &row = rows.value(k.key);
        QCOMPARE(row.at(0), keyTypeName(k.type));
        QStringList models;
        if (k.q2)
            models << QStringLiteral("Q2");
        if (k.q3)
            models << QStringLiteral("Q3");
        QCOMPARE(row.at(2), models.join(QStringLiteral(", ")));
        if (k.type == KeyType::Choice)
            QCOMPARE(row.at(1), k.choices.join(QStringLiteral(", ")));
        QCOMPARE(row.at(4), k.q2Control.isEmpty() ? QStringLiteral("-") : k.q2Control);
        QCOMPARE(row.at(5), k.q3Control.isEmpty() ? QStringLiteral("-") : k.q3Control);
    }
    for (const QString &key : rows.keys())
        QVERIFY2(codeKeys.contains(key), qPrintable("not a key of the code: " + key));
}

QTEST_GUILESS_MAIN(TestParameterKeysDoc)
#include "tst_parameterkeysdoc.moc"
