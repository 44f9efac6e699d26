#include "zanswerbuffer.h"

namespace {

// Room reserved for a reply, so that reading it does not grow the buffer byte by byte.
const int ReplyReserve = 1024;

// The most one request keeps and shows.
const int MaxCollected = 64 * 1024;

// Pieces are shown in batches of about this size.
const int ShownBatch = 1024;

} // namespace

ZAnswerBuffer::ZAnswerBuffer()
{
    m_collected.reserve(ReplyReserve);
}

void ZAnswerBuffer::add(const QByteArray &piece)
{
    m_collected += piece;
    if (m_collected.size() > MaxCollected)
        m_collected.remove(0, m_collected.size() - MaxCollected);
    if (m_shown < MaxCollected) {
        m_shown += piece.size();
        m_unshown += piece;
    }
}

QByteArray ZAnswerBuffer::takeShown(bool all)
{
    QByteArray batch;
    if (all || m_unshown.size() >= ShownBatch)
        batch.swap(m_unshown);
    return batch;
}
