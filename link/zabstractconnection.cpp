#include "zabstractconnection.h"

#include <QMutexLocker>

#include "zserialportprops.h"

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
