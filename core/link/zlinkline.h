#ifndef ZLINKLINE_H
#define ZLINKLINE_H

#include <QByteArray>
#include <QString>

#include <functional>

#include "zserialportprops.h"

class QElapsedTimer;

// One kind of line the connection's worker talks over: a serial port of this machine, or a
// network connection to a serial device server. A line belongs to the worker thread that made
// it; nothing here is thread-safe.
class ZLinkLine
{
public:
    // Asked throughout every wait: true gives the wait up at once.
    using StopCheck = std::function<bool()>;

    virtual ~ZLinkLine() = default;

    // Opens the line with `props`; false, with what the operator reads in `failure`, when it
    // cannot. `applied` receives the settings the line works with: those asked for, or what a
    // device server confirmed of them.
    virtual bool open(const ZSerialPortProps &props, ZSerialPortProps *applied, QString *failure) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The line is gone (hang-up, cable pulled, the server closed the connection); the reason
    // for the operator.
    virtual bool isLost() const = 0;
    virtual QString lossReason() const = 0;

    // Drops whatever arrived since the last answer: typically the late reply to a request that
    // timed out, which must not be taken for the next answer.
    virtual void discardInput() = 0;
    // Writes `bytes` within `timeoutMs`; false when they did not all go (what is left is dropped).
    virtual bool write(const QByteArray &bytes, int timeoutMs) = 0;
    // Waits up to `waitMs` for the answer's next bytes; when some come, appends them, and those
    // that belong with them, to `piece` and returns true. `timer` runs from the end of the
    // request's write; no read goes past `readTimeout` of it. `gather`: bytes that trickle in may
    // be let gather before they are handed over (false when the caller knows when the answer
    // ends and waits for that itself).
    virtual bool readPiece(QByteArray &piece, const QElapsedTimer &timer, int readTimeout, int waitMs,
                           bool gather) = 0;
    // Whether an answer ends at its first whole frame (a network, whose pauses follow the
    // network, not the device) rather than at the device's silence after it (a serial line).
    virtual bool endsAtFrame() const = 0;
};

#endif // ZLINKLINE_H
