#pragma once

// How the bytes arriving on a serial line are cut into bursts, without a port or a timer: the
// bytes of each read are added; a burst is complete when it reaches kMaxBurst bytes, or when the
// line stays silent (the owner's timer) and the rest is taken. One module reply is one burst.

#include <QByteArray>

class SerialBursts
{
public:
    static constexpr qsizetype kMaxBurst = 1024;

    // The bytes of one read.
    void add(const QByteArray &bytes) { m_pending += bytes; }
    // The next complete burst of kMaxBurst bytes; empty while fewer are waiting.
    QByteArray takeFull();
    // The line went silent: what is waiting, as one burst (empty when nothing is).
    QByteArray takeRest();
    // The port closed or reopened: what was being gathered is dropped.
    void clear() { m_pending.clear(); }
    bool isEmpty() const { return m_pending.isEmpty(); }
    qsizetype pendingSize() const { return m_pending.size(); }

private:
    QByteArray m_pending;
};
