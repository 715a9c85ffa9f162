#pragma once

// The lines of the receive view: time with milliseconds, direction, peer, length, hex and text.
// Arrivals are gathered and shown in batches a few times a second, and only the newest lines are
// kept, so a module that floods the link leaves the window responsive.

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimer>

#include <deque>

class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Time, Direction, Peer, Length, Hex, Text, ColumnCount };
    static constexpr int kDefaultMaxLines = 2000;
    static constexpr int kFlushMs = 100;

    explicit TrafficModel(QObject *parent = nullptr);

    void setMaxLines(int lines) { m_maxLines = lines; }
    // One message; shown at the next flush. `sent` marks what this window sent.
    void add(const QByteArray &bytes, const QString &peer, bool sent);
    // Shows what is gathered now (the view calls it on its own timer).
    void flush();
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The columns' captions in the current language.
    void setHeaders(const QStringList &headers);
    QString lineText(int row) const; // the shown columns of a line joined by blanks, for tests

signals:
    // Lines were added after a flush; the view scrolls to them.
    void linesAdded();

private:
    struct Line
    {
        QDateTime time;
        bool sent;
        QString peer;
        QByteArray bytes;
        QString hex; // built when shown
        QString text;
    };

    std::deque<Line> m_lines;
    QList<Line> m_pending;
    QStringList m_headers;
    QTimer m_flush;
    int m_maxLines = kDefaultMaxLines;
};
