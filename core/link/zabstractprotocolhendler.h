#ifndef ZABSTRACTPROTOCOLHENDLER_H
#define ZABSTRACTPROTOCOLHENDLER_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>

#include "zregister.h"

// Result of checking a response frame: ParseOk is a valid response, anything else a defect whose
// text lastError() gives.
typedef int ParseResult;
enum ParseResultCode : int {
    ParseOk = 0,
    ParseBadCrc = 1,
    ParseBadSender = 2,
    ParseBadReceiver = 3,
    ParseBadCommand = 4,
    ParseBadRegister = 5,
    ParseBadLength = 6,
    // The device answered with an error response; its code (2 ... 6, or any other) decides.
    ParseReadRefused = 7,
    ParseWriteRefused = 8,
    ParseReadFailed = 9,
    ParseWriteFailed = 10,
    ParseBadValueSize = 11,
    ParseUnknownError = 12
};

// What a protocol must offer the device and the serial worker: build requests for a register,
// cut a complete frame out of received bytes, check a response and convert values.
class ZAbstractProtocolHendler : public QObject
{
    Q_OBJECT
public:
    explicit ZAbstractProtocolHendler(QObject *parent = nullptr) : QObject(parent) {}
    ~ZAbstractProtocolHendler() override = default;

    virtual QByteArray buildReadRequest(const ZRegister &reg, int count) = 0;
    virtual QByteArray buildWriteRequest(const ZRegister &reg, const QVariant &value, bool *ok,
                                         int count) = 0;
    // Runs on the serial worker thread: must not touch mutable state.
    virtual bool extractFrame(QByteArray &frame, const QByteArray &received) = 0;
    // Whether a frame extractFrame gave is whole and undamaged (its check sum holds), so that a
    // reply arriving in pieces may be taken at once. Worker thread too.
    virtual bool frameIsSound(const QByteArray &frame) const = 0;
    virtual ParseResult parseResponse(QByteArray &valueBytes, const QByteArray &frame,
                                      const ZRegister &reg, int kind) = 0;
    virtual QVariant decodeValue(const ZRegister &reg, const QByteArray &bytes) = 0;
    virtual QByteArray encodeValue(const ZRegister &reg, const QVariant &value, bool *ok) = 0;
    virtual QString lastError() = 0;
};

#endif // ZABSTRACTPROTOCOLHENDLER_H
