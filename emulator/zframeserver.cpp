#include "zframeserver.h"

#include "zemulatedreceiver.h"
#include "zfastprotocolhendler.h"
#include "zfaultplan.h"

namespace {

const quint8 DeviceAddress = 0x00;
const int MaxLastRequests = 100;
// A frame never exceeds a few hundred bytes; a buffer this long without an end pair is noise.
const int MaxPendingBytes = 8192;
// Unknown command byte: the device answers with "illegal function".
const quint8 ErrorUnknownCommand = 1;

QByteArray errorBody(quint8 receiver, quint8 code)
{
    QByteArray body;
    body.append(char(DeviceAddress)).append(char(receiver));
    body.append(char(ZFastProtocolHendler::ErrorCommand)).append(char(code));
    return body;
}

// The same frame with both CRC bytes inverted, stuffed again.
QByteArray withBadCrc(const QByteArray &frame)
{
    QByteArray plain = ZFastProtocolHendler::unstuff(frame.left(frame.size() - 2));
    const int crc = plain.size() - 2;
    plain[crc] = char(~quint8(plain.at(crc)));
    plain[crc + 1] = char(~quint8(plain.at(crc + 1)));
    plain.append(char(ZFastProtocolHendler::EndByte)).append(char(ZFastProtocolHendler::EndByte));
    return ZFastProtocolHendler::stuff(plain);
}

} // namespace

ZFrameServer::ZFrameServer(ZEmulatedReceiver *receiver)
    : m_receiver(receiver)
{
}

bool ZFrameServer::takeFrame(QByteArray &buffer, QByteArray *frame)
{
    QByteArray found;
    int start = 0;
    if (ZFastProtocolHendler::findFrame(found, buffer, &start)) {
        buffer.remove(0, start + found.size() + 2);
        *frame = found;
        return true;
    }
    static const QByteArray startPair(2, char(ZFastProtocolHendler::StartByte));
    const int pair = buffer.indexOf(startPair);
    if (pair > 0) {
        buffer.remove(0, pair);
    } else if (pair < 0) {
        // Keep a lone start byte: it may be the first half of the next start pair.
        const bool keepLast = !buffer.isEmpty()
                && quint8(buffer.at(buffer.size() - 1)) == ZFastProtocolHendler::StartByte;
        buffer = keepLast ? buffer.right(1) : QByteArray();
    }
    if (buffer.size() > MaxPendingBytes)
        buffer.clear();
    return false;
}

QByteArray ZFrameServer::reply(const QByteArray &stuffed, ZFaultPlan &faults)
{
    ++m_received;
    m_lastRequests.append(stuffed);
    while (m_lastRequests.size() > MaxLastRequests)
        m_lastRequests.removeFirst();

    // A request with a bad CRC gets no reply at all: none of its fields can be trusted, not even
    // the sender to answer to. The host finds out by its read time-out.
    const QByteArray plain = ZFastProtocolHendler::unstuff(stuffed);
    if (plain.size() < 4 || ZFastProtocolHendler::crc16(plain) != 0)
        return QByteArray();
    const QByteArray body = plain.mid(2, plain.size() - 4);
    // Too short to name a register, or addressed to another device on the line: not ours.
    if (body.size() < 5 || quint8(body.at(1)) != DeviceAddress)
        return QByteArray();
    const quint8 sender = quint8(body.at(0));
    const quint8 command = quint8(body.at(2));
    const int number = quint8(body.at(3)) | (quint8(body.at(4)) << 8);
    ++m_byRegister[number];

    // A dropped reply is still carried out; an error reply is not.
    const bool drop = ZFaultPlan::take(faults.dropReplies);
    QByteArray replyBody;
    if (!drop && ZFaultPlan::take(faults.errorReplies)) {
        replyBody = errorBody(sender, quint8(faults.errorCode));
    } else {
        QByteArray value;
        int code = ErrorUnknownCommand;
        if (command == ZFastProtocolHendler::ReadCommand) {
            code = m_receiver->read(number, &value);
        } else if (command == ZFastProtocolHendler::WriteCommand) {
            QByteArray stored = body.mid(5);
            if (!stored.isEmpty() && ZFaultPlan::take(faults.alterWrites))
                stored[0] = char(stored.at(0) ^ 0x01);
            code = m_receiver->write(number, stored, &value);
        }
        if (code == ZEmulatedReceiver::NoError) {
            replyBody.append(char(DeviceAddress)).append(char(sender)).append(char(command + 1));
            replyBody.append(char(number & 0xFF)).append(char(number >> 8));
            replyBody.append(value);
            if (!drop && command == ZFastProtocolHendler::ReadCommand
                    && number == m_receiver->statusRegister())
                ++m_statusPolls;
        } else {
            replyBody = errorBody(sender, quint8(code));
        }
    }
    if (drop)
        return QByteArray();

    QByteArray frame = ZFastProtocolHendler::makeFrame(replyBody);
    if (ZFaultPlan::take(faults.corruptCrc))
        frame = withBadCrc(frame);
    return faults.noise + frame;
}

void ZFrameServer::resetStatistics()
{
    m_received = 0;
    m_statusPolls = 0;
    m_byRegister.clear();
    m_lastRequests.clear();
}
