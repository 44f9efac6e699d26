#ifndef SERIALFIXTURE_H
#define SERIALFIXTURE_H

#include <QByteArray>
#include <QString>

#include "probeconnection.h"
#include "ptypeer.h"
#include "signallog.h"
#include "zfastprotocolhendler.h"

// The set-up most link tests start from: a serial connection under test, a pseudo-terminal peer
// the test drives byte by byte, and the log of every signal the connection emits. Members go in
// reverse order, so the log stops the worker before anything it uses is freed.
struct SerialFixture
{
    PtyPeer peer;
    ZFastProtocolHendler handler;
    ProbeConnection connection{&handler};
    SignalLog log{&connection};

    // Opens the peer (behind a symbolic link if one is given) and points the connection at it.
    bool open(const QString &linkPath = QString());
    // One request answered by the peer with `reply`; false, with a test failure, when the
    // request did not arrive as sent or no frame was received.
    bool exchange(const QByteArray &request, const QByteArray &reply);
};

#endif // SERIALFIXTURE_H
