#include "zfastprotocolhendler.h"

#include "transaction.h"
#include "zvaluecodec.h"

namespace {

// Transaction kinds that expect the write command's answer (write and confirmed write).
bool isWriteKind(int kind)
{
    return kind == TransactionWrite || kind == TransactionConfirmWrite;
}

quint8 byteAt(const QByteArray &bytes, int index, quint8 missing = 0)
{
    return index < bytes.size() ? quint8(bytes.at(index)) : missing;
}

} // namespace

ZFastProtocolHendler::ZFastProtocolHendler(QObject *parent)
    : ZAbstractProtocolHendler(parent)
{
}

quint16 ZFastProtocolHendler::crc16(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray ZFastProtocolHendler::stuff(const QByteArray &frame)
{
    QByteArray out;
    out.reserve(frame.size() + frame.size() / 4 + 2);
    const int end = frame.size() - 2;
    for (int i = 0; i < frame.size(); ++i) {
        const quint8 b = quint8(frame.at(i));
        out.append(char(b));
        if (i >= 2 && i < end && (b == StartByte || b == EndByte))
            out.append('\0');
    }
    return out;
}

QByteArray ZFastProtocolHendler::unstuff(const QByteArray &frame)
{
    QByteArray out;
    out.reserve(frame.size());
    for (int i = 0; i < frame.size(); ++i) {
        const quint8 b = quint8(frame.at(i));
        out.append(char(b));
        if (i >= 2 && (b == StartByte || b == EndByte))
            ++i; // the stuffed byte after it, whatever its value
    }
    return out;
}

QByteArray ZFastProtocolHendler::makeFrame(const QByteArray &body)
{
    QByteArray frame;
    frame.reserve(body.size() + 6);
    frame.append(char(StartByte)).append(char(StartByte)).append(body);
    const quint16 crc = crc16(frame);
    frame.append(char(crc & 0xFF)).append(char(crc >> 8));
    frame.append(char(EndByte)).append(char(EndByte));
    return stuff(frame);
}

bool ZFastProtocolHendler::findFrame(QByteArray &frame, const QByteArray &received, int *startAt)
{
    frame.clear();
    static const QByteArray startPair(2, char(StartByte));
    static const QByteArray endPair(2, char(EndByte));
    // A noise byte equal to the start byte just before a reply forms a start pair with the
    // reply's first start byte. Stuffing keeps FE FE and FC FC out of a frame's inside, so a
    // frame ending at an end pair starts at the last start pair before it, or at the one before
    // that when the sender byte is a stuffed FE. Those two are tried, the first whose CRC holds
    // wins; looking at no more keeps a long run of noise from costing time by the square of its
    // length. When none holds anywhere, the first candidate is handed on so that the parser
    // reports its fault.
    auto crcHolds = [&received](int start, int end) {
        const QByteArray plain = unstuff(received.mid(start, end - start));
        return plain.size() >= 4 && crc16(plain) == 0;
    };
    int firstStart = -1;
    int firstEnd = -1;
    int from = 0;
    for (;;) {
        const int start = received.indexOf(startPair, from);
        if (start < 0)
            break;
        const int end = received.indexOf(endPair, start + 2);
        if (end < 0)
            break;
        if (firstStart < 0) {
            firstStart = start;
            firstEnd = end;
        }
        int candidate = received.lastIndexOf(startPair, end - 2);
        for (int tried = 0; tried < 2 && candidate >= start; ++tried) {
            if (crcHolds(candidate, end)) {
                frame = received.mid(candidate, end - candidate);
                if (startAt)
                    *startAt = candidate;
                return true;
            }
            candidate = candidate > 0 ? received.lastIndexOf(startPair, candidate - 1) : -1;
        }
        from = end + 1;
    }
    if (firstStart < 0)
        return false;
    frame = received.mid(firstStart, firstEnd - firstStart);
    if (startAt)
        *startAt = firstStart;
    return true;
}

QByteArray ZFastProtocolHendler::buildRequest(quint8 command, const ZRegister &reg,
                                              const QByteArray &value) const
{
    const quint16 number = quint16(reg.number().toInt());
    QByteArray body;
    body.reserve(5 + value.size());
    body.append(char(m_hostAddress)).append(char(m_deviceAddress)).append(char(command));
    body.append(char(number & 0xFF)).append(char(number >> 8));
    body.append(value);
    return makeFrame(body);
}

QByteArray ZFastProtocolHendler::buildReadRequest(const ZRegister &reg, int count)
{
    Q_UNUSED(count)
    return buildRequest(ReadCommand, reg, QByteArray());
}

QByteArray ZFastProtocolHendler::buildWriteRequest(const ZRegister &reg, const QVariant &value,
                                                   bool *ok, int count)
{
    Q_UNUSED(count)
    bool encoded = false;
    const QByteArray bytes = encodeValue(reg, value, &encoded);
    if (ok)
        *ok = encoded;
    if (!encoded)
        return QByteArray();
    return buildRequest(WriteCommand, reg, bytes);
}

bool ZFastProtocolHendler::extractFrame(QByteArray &frame, const QByteArray &received)
{
    return findFrame(frame, received);
}

ParseResult ZFastProtocolHendler::fail(ParseResult result, const QString &text)
{
    m_lastError = text;
    return result;
}

ParseResult ZFastProtocolHendler::parseResponse(QByteArray &valueBytes, const QByteArray &frame,
                                                const ZRegister &reg, int kind)
{
    const QByteArray plain = unstuff(frame);
    if (plain.size() < 4 || crc16(plain) != 0)
        return fail(ParseBadCrc, tr("Bad CRC"));

    const QByteArray body = plain.mid(2, plain.size() - 4);

    const quint8 sender = byteAt(body, 0);
    if (sender != m_deviceAddress)
        return fail(ParseBadSender, tr("Ошибка адреса отправителя. Ожидание %1, приянт %2")
                           .arg(m_deviceAddress).arg(sender));

    const quint8 receiver = byteAt(body, 1);
    if (m_hostAddress != 0xFF && receiver != m_hostAddress)
        return fail(ParseBadReceiver, tr("Ошибка адреса получателя. Ожидание %1, приянт %2")
                           .arg(m_hostAddress).arg(receiver));

    if (byteAt(body, 2) == ErrorCommand) {
        const quint8 code = byteAt(body, 3);
        switch (code) {
        case 2:
            return fail(ParseReadRefused, tr("Чтение регистра невозможно, либо регистр не найден. Ответ ошибкой %1").arg(code));
        case 3:
            return fail(ParseWriteRefused, tr("Запись регистра невозможна, либо регистр не найден. Ответ ошибкой %1").arg(code));
        case 4:
            return fail(ParseReadFailed, tr("Неудачная попытка чтения. Ответ ошибкой %1").arg(code));
        case 5:
            return fail(ParseWriteFailed, tr("Неудачная попытка записи. Ответ ошибкой %1").arg(code));
        case 6:
            return fail(ParseBadValueSize, tr("Неверное количество байтов значения регистра. Ответ ошибкой %1").arg(code));
        default:
            return fail(ParseUnknownError, tr("Незивестная ошибка. Ответ ошибкой %1").arg(code));
        }
    }

    const quint8 expectedCommand = isWriteKind(kind) ? WriteCommand : ReadCommand;
    const quint8 receivedCommand = body.size() < 3 ? quint8(0xFF) : quint8(byteAt(body, 2) - 1);
    if (receivedCommand != expectedCommand)
        return fail(ParseBadCommand, tr("Ошибка байта команды. Ожидание %1, приянт %2")
                           .arg(expectedCommand).arg(receivedCommand));

    // A body too short to hold the register number is never a valid answer, even when the
    // missing bytes would read as the expected number.
    const quint16 expectedNumber = quint16(reg.number().toInt());
    const quint16 receivedNumber = quint16(byteAt(body, 3) | (byteAt(body, 4) << 8));
    if (body.size() < 5 || receivedNumber != expectedNumber)
        return fail(ParseBadRegister, tr("Ошибка номера регистра. Ожидание %1, приянт %2")
                           .arg(expectedNumber).arg(receivedNumber));

    const QByteArray value = body.mid(5);
    if (!m_lengthCheckOff && value.size() != reg.length())
        return fail(ParseBadLength, tr("Ошибка длины регистра. Ожидание %1, приянт %2")
                           .arg(reg.length()).arg(value.size()));

    valueBytes = value;
    m_lastError = tr("Нет ошибок");
    return ParseOk;
}

QVariant ZFastProtocolHendler::decodeValue(const ZRegister &reg, const QByteArray &bytes)
{
    return ZValueCodec::decode(reg, bytes);
}

QByteArray ZFastProtocolHendler::encodeValue(const ZRegister &reg, const QVariant &value, bool *ok)
{
    return ZValueCodec::encode(reg, value, ok);
}

QString ZFastProtocolHendler::lastError()
{
    return m_lastError;
}
