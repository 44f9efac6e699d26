#ifndef ZSTATELOCKER_H
#define ZSTATELOCKER_H

class QMutex;
class QWaitCondition;

// Holds a connection's state lock for one scope. Besides locking, it tells ThreadSanitizer where
// the lock hands data from one thread to the other: the QMutex and QWaitCondition of Qt 5.15 sit
// on raw futexes that the sanitizer does not intercept, so without these marks every hand-over
// between the GUI thread and the serial worker would look like a race. Outside a ThreadSanitizer
// build the marks compile to nothing.
class ZStateLocker
{
public:
    explicit ZStateLocker(QMutex &mutex);
    ~ZStateLocker();
    ZStateLocker(const ZStateLocker &) = delete;
    ZStateLocker &operator=(const ZStateLocker &) = delete;

    void unlock();
    void relock();
    // Sleeps on `condition` with the lock given up meanwhile; holds it again on return.
    void wait(QWaitCondition &condition);

    // For the one hand-over that does not pass through the lock: a worker thread's end as seen
    // through QThread::wait. The worker calls releaseAtThreadEnd(&lock) first thing; whoever has
    // waited for the thread calls acquire(&lock) before freeing what the worker used.
    static void releaseAtThreadEnd(const void *address);
    static void acquire(const void *address);

private:
    QMutex &m_mutex;
    bool m_locked = false;
};

#endif // ZSTATELOCKER_H
