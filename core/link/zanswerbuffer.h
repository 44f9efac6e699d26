#ifndef ZANSWERBUFFER_H
#define ZANSWERBUFFER_H

#include <QByteArray>

// What one request brought so far: the bytes the frame is looked for in, and those still to be
// shown in the monitor. Both are bounded: a receiver's longest reply is a few kilobytes and a
// serial line brings at most some 11 kB a second, but a network server that floods garbage must
// cost no more memory than the bound, the oldest bytes giving way, and the monitor is spared
// what exceeds it. Pieces wait to be shown until they make a batch worth a signal (a network
// hands a reply over in as many pieces as the server sent segments, often a byte each).
class ZAnswerBuffer
{
public:
    ZAnswerBuffer();

    void add(const QByteArray &piece);
    const QByteArray &bytes() const { return m_collected; }
    bool isEmpty() const { return m_collected.isEmpty(); }
    // The bytes to show now: all that wait when `all`, else a batch once one is full.
    QByteArray takeShown(bool all);

private:
    QByteArray m_collected;
    QByteArray m_unshown;
    int m_shown = 0;
};

#endif // ZANSWERBUFFER_H
