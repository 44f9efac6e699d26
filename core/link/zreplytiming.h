#ifndef ZREPLYTIMING_H
#define ZREPLYTIMING_H

#include <QByteArray>
#include <QHash>

// How the last answer to each request came over a network: its bytes, and the time from its
// first piece to its frame. The same request (a status poll) brings an answer of about the same
// length at the same pace, so the worker sleeps until most of it is due instead of waking for
// every piece a server sends (often a byte each), and takes the rest as it comes.
// Used by the worker thread alone.
class ZReplyTiming
{
public:
    struct Shape
    {
        int bytes = 0;
        qint64 ns = 0;
    };

    // What the last answer to `request` looked like; empty when none is known.
    Shape shapeOf(const QByteArray &request) const { return m_shapes.value(request); }
    // When (on the request's clock, in ns) to look again for an answer of `shape` whose first
    // piece came at `firstPieceNs` and of which `have` bytes are in; -1 to look at once.
    static qint64 wakeAt(const Shape &shape, qint64 firstPieceNs, int have);
    // Keeps the shape of an answer of `bytes` whose frame was found `ns` after its first piece;
    // `previous` is the shape it was awaited with, `held` whether the worker was asleep until
    // the moment the frame was found.
    void learn(const QByteArray &request, const Shape &previous, bool held, int bytes, qint64 ns);

private:
    QHash<QByteArray, Shape> m_shapes;
};

#endif // ZREPLYTIMING_H
