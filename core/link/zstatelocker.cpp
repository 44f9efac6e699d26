#include "zstatelocker.h"

#include <QMutex>
#include <QWaitCondition>

#ifdef TARN_TSAN
#include <QThreadStorage>

#include <memory>

extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);

namespace {
void markAcquire(const void *address) { __tsan_acquire(const_cast<void *>(address)); }
void markRelease(const void *address) { __tsan_release(const_cast<void *>(address)); }
} // namespace

void ZStateLocker::releaseAtThreadEnd(const void *address)
{
    // After run() returns Qt still uses the thread object on the worker thread: emitting
    // finished() reads its meta-object for the queued connections. Thread-local storage is
    // cleared right after that and before QThread::wait() returns, so a release from there lets
    // whoever acquires after wait() see those last steps ordered.
    static QThreadStorage<std::shared_ptr<void>> marker;
    marker.setLocalData(std::shared_ptr<void>(const_cast<void *>(address), markRelease));
}

void ZStateLocker::acquire(const void *address)
{
    markAcquire(address);
}
#else
namespace {
void markAcquire(const void *) {}
void markRelease(const void *) {}
} // namespace

void ZStateLocker::releaseAtThreadEnd(const void *) {}
void ZStateLocker::acquire(const void *) {}
#endif

ZStateLocker::ZStateLocker(QMutex &mutex) : m_mutex(mutex)
{
    relock();
}

ZStateLocker::~ZStateLocker()
{
    unlock();
}

void ZStateLocker::relock()
{
    if (m_locked)
        return;
    m_mutex.lock();
    markAcquire(&m_mutex);
    m_locked = true;
}

void ZStateLocker::unlock()
{
    if (!m_locked)
        return;
    markRelease(&m_mutex);
    m_mutex.unlock();
    m_locked = false;
}

void ZStateLocker::wait(QWaitCondition &condition)
{
    markRelease(&m_mutex);
    condition.wait(&m_mutex);
    markAcquire(&m_mutex);
}
