#include "zreplytiming.h"

namespace {

// The worker wakes this many bytes before an answer's end is due, and takes the rest as it comes.
const int EndMargin = 2;

// Requests whose answers' shape is kept; writes of ever new values would otherwise pile up.
const int MaxShapes = 64;

} // namespace

qint64 ZReplyTiming::wakeAt(const Shape &shape, qint64 firstPieceNs, int have)
{
    if (shape.bytes <= EndMargin || firstPieceNs < 0 || have >= shape.bytes - EndMargin)
        return -1;
    return firstPieceNs + shape.ns * (shape.bytes - EndMargin) / shape.bytes;
}

void ZReplyTiming::learn(const QByteArray &request, const Shape &previous, bool held, int bytes, qint64 ns)
{
    // An answer already whole when the worker woke says only that its end was due no later: the
    // next wait is a little shorter, so that waking late does not feed on itself. One completed
    // while the worker watched says when it ended.
    if (held && previous.bytes > EndMargin)
        ns = previous.ns * (previous.bytes - EndMargin) / previous.bytes;
    if (m_shapes.size() >= MaxShapes && !m_shapes.contains(request))
        m_shapes.clear();
    m_shapes.insert(request, {bytes, ns});
}
