#include "zfastprotocolhendler.h"

#include "transaction.h"
#include "zvaluecodec.h"

#include <array>

namespace {

// Transaction kinds that expect the write command's answer (write and confirmed write).
bool isWriteKind(int kind)
{
    return kind == TransactionWrite || kind == TransactionConfirmWrite;
}

// The CRC's remainders for each value of the low byte, reflected polynomial 0xA001: the serial
// worker checks every reply whole, byte by byte, and a table step costs one lookup where the
// bitwise one takes eight shifts and branches.
constexpr std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int value = 0; value < 256; ++value) {
        quint16 crc = quint16(value);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
        table[size_t(value)] = crc;
    }
    return table;
}

constexpr std::array<quint16, 256> CrcTable = makeCrcTable();

inline quint16 crcStep(quint16 crc, quint8 byte)
{
    return quint16((crc >> 8) ^ CrcTable[(crc ^ byte) & 0xFF]);
}

// Whether a stuffed byte follows the byte at `index` of a frame: from offset 2 on (the start pair
// is never stuffed), after every FE and FC.
inline bool stuffedAfter(int index, quint8 byte)
{
    return index >= 2 && (byte == ZFastProtocolHendler::StartByte || byte == ZFastProtocolHendler::EndByte);
}

// The size a stuffed frame [begin, end) has unstuffed when its CRC holds, -1 when it does not:
// read as unstuff() reads it, with nothing copied. The frame finder tries every candidate in a
// stream this way, and the parser every reply.
int checkedPlainSize(const char *begin, const char *end)
{
    const int size = int(end - begin);
    quint16 crc = 0xFFFF;
    int plain = 0;
    for (int i = 0; i < size; ++i, ++plain) {
        const quint8 b = quint8(begin[i]);
        crc = crcStep(crc, b);
        if (stuffedAfter(i, b))
            ++i;
    }
    return plain >= 4 && crc == 0 ? plain : -1;
}

// The first plain bytes of a stuffed frame, as many as `out` holds or the frame has.
template <size_t N> void unstuffHead(const QByteArray &frame, std::array<quint8, N> &out)
{
    size_t taken = 0;
    for (int i = 0; i < frame.size() && taken < N; ++i) {
        const quint8 b = quint8(frame.at(i));
        out[taken++] = b;
        if (stuffedAfter(i, b))
            ++i;
    }
}

} // namespace

ZFastProtocolHendler::ZFastProtocolHendler(QObject *parent)
    : ZAbstractProtocolHendler(parent)
{
}

quint16 ZFastProtocolHendler::crc16(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (const char c : data)
        crc = crcStep(crc, quint8(c));
    return crc;
}

QByteArray ZFastProtocolHendler::stuff(const QByteArray &frame)
{
    // At most one stuffed byte for each byte of the body: the worst case is allocated once.
    QByteArray out(frame.size() * 2, Qt::Uninitialized);
    char *o = out.data();
    const char *in = frame.constData();
    const int end = frame.size() - 2;
    for (int i = 0; i < frame.size(); ++i) {
        const quint8 b = quint8(in[i]);
        *o++ = char(b);
        if (i < end && stuffedAfter(i, b))
            *o++ = '\0';
    }
    out.truncate(int(o - out.constData()));
    return out;
}

QByteArray ZFastProtocolHendler::unstuff(const QByteArray &frame)
{
    QByteArray out(frame.size(), Qt::Uninitialized);
    char *o = out.data();
    const char *in = frame.constData();
    for (int i = 0; i < frame.size(); ++i) {
        *o++ = in[i];
        if (stuffedAfter(i, quint8(in[i])))
            ++i; // the stuffed byte after it, whatever its value
    }
    out.truncate(int(o - out.constData()));
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
        return checkedPlainSize(received.constData() + start, received.constData() + end) >= 0;
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

bool ZFastProtocolHendler::frameIsSound(const QByteArray &frame) const
{
    return checkedPlainSize(frame.constData(), frame.constData() + frame.size()) >= 0;
}

ParseResult ZFastProtocolHendler::fail(ParseResult result, int expected, int received)
{
    m_lastResult = result;
    m_expected = expected;
    m_received = received;
    return result;
}

ParseResult ZFastProtocolHendler::parseResponse(QByteArray &valueBytes, const QByteArray &frame,
                                                const ZRegister &reg, int kind)
{
    // Checked on the stuffed bytes, and the body's head unstuffed alone: a reply that is not
    // the one awaited costs no copy.
    const int plainSize = checkedPlainSize(frame.constData(), frame.constData() + frame.size());
    if (plainSize < 0)
        return fail(ParseBadCrc);

    // The body (sender, receiver, command, register number, value) lies between the start pair
    // and the CRC.
    std::array<quint8, 7> head{};
    unstuffHead(frame, head);
    const int bodySize = plainSize - 4;
    auto bodyAt = [&head, bodySize](int index) { return index < bodySize ? head[size_t(2 + index)] : quint8(0); };

    const quint8 sender = bodyAt(0);
    if (sender != m_deviceAddress)
        return fail(ParseBadSender, m_deviceAddress, sender);

    const quint8 receiver = bodyAt(1);
    if (m_hostAddress != 0xFF && receiver != m_hostAddress)
        return fail(ParseBadReceiver, m_hostAddress, receiver);

    if (bodyAt(2) == ErrorCommand) {
        const quint8 code = bodyAt(3);
        switch (code) {
        case 2:
            return fail(ParseReadRefused, 0, code);
        case 3:
            return fail(ParseWriteRefused, 0, code);
        case 4:
            return fail(ParseReadFailed, 0, code);
        case 5:
            return fail(ParseWriteFailed, 0, code);
        case 6:
            return fail(ParseBadValueSize, 0, code);
        default:
            return fail(ParseUnknownError, 0, code);
        }
    }

    const quint8 expectedCommand = isWriteKind(kind) ? WriteCommand : ReadCommand;
    const quint8 receivedCommand = bodySize < 3 ? quint8(0xFF) : quint8(bodyAt(2) - 1);
    if (receivedCommand != expectedCommand)
        return fail(ParseBadCommand, expectedCommand, receivedCommand);

    // A body too short to hold the register number is never a valid answer, even when the
    // missing bytes would read as the expected number.
    const quint16 expectedNumber = quint16(reg.number().toInt());
    const quint16 receivedNumber = quint16(bodyAt(3) | (bodyAt(4) << 8));
    if (bodySize < 5 || receivedNumber != expectedNumber)
        return fail(ParseBadRegister, expectedNumber, receivedNumber);

    const int valueSize = bodySize - 5;
    if (!m_lengthCheckOff && valueSize != reg.length())
        return fail(ParseBadLength, reg.length(), valueSize);

    valueBytes = unstuff(frame).mid(7, valueSize);
    return fail(ParseOk);
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
    // Said only when asked for: a reply is parsed far more often than its fault is reported.
    switch (m_lastResult) {
    case ParseOk:
        return tr("Нет ошибок");
    case ParseBadCrc:
        return tr("Bad CRC");
    case ParseBadSender:
        return tr("Ошибка адреса отправителя. Ожидание %1, приянт %2").arg(m_expected).arg(m_received);
    case ParseBadReceiver:
        return tr("Ошибка адреса получателя. Ожидание %1, приянт %2").arg(m_expected).arg(m_received);
    case ParseReadRefused:
        return tr("Чтение регистра невозможно, либо регистр не найден. Ответ ошибкой %1").arg(m_received);
    case ParseWriteRefused:
        return tr("Запись регистра невозможна, либо регистр не найден. Ответ ошибкой %1").arg(m_received);
    case ParseReadFailed:
        return tr("Неудачная попытка чтения. Ответ ошибкой %1").arg(m_received);
    case ParseWriteFailed:
        return tr("Неудачная попытка записи. Ответ ошибкой %1").arg(m_received);
    case ParseBadValueSize:
        return tr("Неверное количество байтов значения регистра. Ответ ошибкой %1").arg(m_received);
    case ParseUnknownError:
        return tr("Незивестная ошибка. Ответ ошибкой %1").arg(m_received);
    case ParseBadCommand:
        return tr("Ошибка байта команды. Ожидание %1, приянт %2").arg(m_expected).arg(m_received);
    case ParseBadRegister:
        return tr("Ошибка номера регистра. Ожидание %1, приянт %2").arg(m_expected).arg(m_received);
    case ParseBadLength:
        return tr("Ошибка длины регистра. Ожидание %1, приянт %2").arg(m_expected).arg(m_received);
    }
    return QString();
}
