#include "zsignallogreader.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>

namespace {

constexpr int ProgressMs = 100;

} // namespace

// Filled in before the thread starts; `result` is the thread's until it has set `done`, the last
// thing it does. That atomic is a hand-over a thread checker can see, unlike the locks of Qt's
// event queue.
struct ZSignalLogReader::Read
{
    QString path;
    qint64 offset = 0;
    QByteArray head;
    QThread *thread = nullptr;
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    std::atomic<bool> done{false};
    ZSignalLogFile::Result result;
};

ZSignalLogReader::ZSignalLogReader(QObject *parent)
    : QObject(parent), m_progressTimer(new QTimer(this))
{
    m_progressTimer->setInterval(ProgressMs);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (m_read)
            emit progress(m_read->permille.load(std::memory_order_relaxed) / 1000.0);
    });
}

ZSignalLogReader::~ZSignalLogReader()
{
    // Nothing a thread uses may be freed under it.
    for (const std::shared_ptr<Read> &read : m_running) {
        read->cancel.store(true);
        read->thread->wait();
        // Orders what the thread wrote before what is freed here.
        read->done.load(std::memory_order_acquire);
    }
}

void ZSignalLogReader::load(const QString &path)
{
    m_path = path;
    m_loaded = false;
    m_end = 0;
    m_head.clear();
    m_lines = 0;
    m_damaged = 0;
    start(0);
    m_progressTimer->start();
}

void ZSignalLogReader::readMore()
{
    if (m_loaded && !m_read)
        start(m_end);
}

void ZSignalLogReader::drop()
{
    if (!m_read)
        return;
    m_read->cancel.store(true);
    m_read.reset();
    m_progressTimer->stop();
}

void ZSignalLogReader::start(qint64 offset)
{
    drop();
    auto read = std::make_shared<Read>();
    read->path = m_path;
    read->offset = offset;
    read->head = m_head;
    // Kept by m_running until its thread has ended and been seen to.
    Read *const job = read.get();
    read->thread = QThread::create([job] {
        {
            const ZSignalLogFile::Progress progress = [job](double fraction) {
                job->permille.store(int(fraction * 1000), std::memory_order_relaxed);
            };
            job->result = ZSignalLogFile(job->path).readFrom(job->offset, job->head, &job->cancel, progress);
        }
        job->done.store(true, std::memory_order_release);
    });
    read->thread->setObjectName(QStringLiteral("signal log reader"));
    read->thread->setParent(this);
    connect(read->thread, &QThread::finished, this, [this, read] { finished(read); });
    m_running.push_back(read);
    m_read = read;
    read->thread->start();
}

void ZSignalLogReader::finished(const std::shared_ptr<Read> &read)
{
    read->thread->deleteLater();
    m_running.erase(std::remove(m_running.begin(), m_running.end(), read), m_running.end());
    if (!read->done.load(std::memory_order_acquire) || read != m_read)
        return;
    m_read.reset();
    m_progressTimer->stop();
    const ZSignalLogFile::Result &result = read->result;
    const bool unreadable = !result.error.isEmpty() || result.replaced;
    if (unreadable) {
        if (m_loaded)
            emit replaced();
        else
            emit failed(result.error);
        return;
    }
    const bool whole = !m_loaded;
    m_loaded = true;
    m_end = result.end;
    m_head = result.head;
    m_lines += result.lines;
    m_damaged += result.damaged;
    if (whole)
        emit loaded(result);
    else
        emit appended(result);
}
