#include "testbytes.h"

#include <QDataStream>

#include "zfastprotocolhendler.h"

namespace TestBytes {

namespace {

QByteArray body(quint8 sender, quint8 receiver, quint8 command, int reg, const QByteArray &value)
{
    QByteArray bytes;
    bytes.append(char(sender)).append(char(receiver)).append(char(command));
    bytes.append(le16(reg)).append(value);
    return bytes;
}

} // namespace

QByteArray le16(int value)
{
    QByteArray bytes;
    bytes.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
    return bytes;
}

QByteArray le32(qint64 value)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

QByteArray leFloat(float value)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.setFloatingPointPrecision(QDataStream::SinglePrecision);
    s << value;
    return bytes;
}

QByteArray requestFrame(quint8 command, int reg, const QByteArray &value)
{
    return ZFastProtocolHendler::makeFrame(body(0xFF, 0x00, command, reg, value));
}

QByteArray readRequest(int reg)
{
    return requestFrame(ZFastProtocolHendler::ReadCommand, reg);
}

QByteArray writeRequest(int reg, const QByteArray &value)
{
    return requestFrame(ZFastProtocolHendler::WriteCommand, reg, value);
}

QByteArray replyFrame(int reg, const QByteArray &value, bool write)
{
    const quint8 command = write ? ZFastProtocolHendler::WriteCommand + 1
                                 : ZFastProtocolHendler::ReadCommand + 1;
    return ZFastProtocolHendler::makeFrame(body(0x00, 0xFF, command, reg, value));
}

QByteArray cut(const QByteArray &stuffed)
{
    return stuffed.left(stuffed.size() - 2);
}

QByteArray response(int reg, const QByteArray &value, bool write)
{
    return cut(replyFrame(reg, value, write));
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

} // namespace TestBytes
