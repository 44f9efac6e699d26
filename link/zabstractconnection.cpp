#include "zabstractconnection.h"

#include <QMutexLocker>

#include "zserialportprops.h"

#ifdef TARN_TSAN
extern "C" void __tsan_acquire(void *addr);
#endif

ZAbstractConnection::ZAbstractConnection(ZAbstractProtocolHendler *handler, QObject *parent)
    : QThread(parent), m_handler(handler)
{
    registerSerialPortPropsType();
}

ZAbstractConnection::~ZAbstractConnection() = default;

void ZAbstractConnection::setReadTimeout(int ms)
{
    QMutexLocker locker(&m_lock);
    m_readTimeout = ms;
}

void ZAbstractConnection::setWriteTimeout(int ms)
{
    QMutexLocker locker(&m_lock);
    m_writeTimeout = ms;
}

bool ZAbstractConnection::wait(unsigned long time)
{
    const bool finished = QThread::wait(time);
#ifdef TARN_TSAN
    // The worker releases the lock's address as its last step (ZSerialConnection::run).
    if (finished)
        __tsan_acquire(&m_lock);
#endif
    return finished;
}
