#ifndef PROBECONNECTION_H
#define PROBECONNECTION_H

#include "zserialconnection.h"

// A serial connection whose wait condition the test can signal without a send(), the way the
// system may wake a sleeping thread for no reason.
class ProbeConnection : public ZSerialConnection
{
public:
    using ZSerialConnection::ZSerialConnection;
    void wakeWithoutRequest() { m_wake.wakeAll(); }
};

#endif // PROBECONNECTION_H
