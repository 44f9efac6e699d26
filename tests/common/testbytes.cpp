#include "testbytes.h"

#include <QDataStream>

#include "zfastprotocolhendler.h"

namespace TestBytes {

QByteArray le16(int value)
{
    return le32(value).left(2);
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
    return ZFastProtocolHendler::makeFrame(QByteArray("\xFF\x00", 2) + char(command) + le16(reg) + value);
}

QByteArray readRequest(int reg)
{
    return requestFrame(ZFastProtocolHendler::ReadCommand, reg);
}

QByteArray writeRequest(int reg, const QByteArray &value)
{
    return requestFrame(ZFastProtocolHendler::WriteCommand, reg, value);
}

QByteArray replyBody(quint8 command, int reg, const QByteArray &value)
{
    return QByteArray("\x00\xFF", 2) + char(command) + le16(reg) + value;
}

QByteArray replyFrame(int reg, const QByteArray &value, bool write)
{
    // The device answers with the request's command plus one.
    const int command = (write ? ZFastProtocolHendler::WriteCommand : ZFastProtocolHendler::ReadCommand) + 1;
    return ZFastProtocolHendler::makeFrame(replyBody(quint8(command), reg, value));
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
