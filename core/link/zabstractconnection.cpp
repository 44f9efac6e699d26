#include "zabstractconnection.h"

#include "zserialportprops.h"
#include "zstatelocker.h"

ZAbstractConnection::ZAbstractConnection(ZAbstractProtocolHendler *handler, QObject *parent)
    : QThread(parent), m_handler(handler)
{
    registerSerialPortPropsType();
}

ZAbstractConnection::~ZAbstractConnection() = default;

void ZAbstractConnection::setReadTimeout(int ms)
{
    ZStateLocker lock(m_lock);
    m_readTimeout = ms;
}

void ZAbstractConnection::setWriteTimeout(int ms)
{
    ZStateLocker lock(m_lock);
    m_writeTimeout = ms;
}

bool ZAbstractConnection::wait(unsigned long time)
{
    const bool finished = QThread::wait(time);
    // The worker marks the lock's address released as its very last step.
    if (finished)
        ZStateLocker::acquire(&m_lock);
    return finished;
}
