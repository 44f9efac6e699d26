#include "zserialportprops.h"

QString ZSerialPortProps::toString() const
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(name)
        .arg(baudRate)
        .arg(dataBits)
        .arg(stopBits)
        .arg(parity)
        .arg(flowControl);
}

ZSerialPortProps ZSerialPortProps::fromVariant(const QVariant &variant)
{
    const int id = qMetaTypeId<ZSerialPortProps>();
    if (variant.userType() == id)
        return variant.value<ZSerialPortProps>();
    QVariant converted = variant;
    if (converted.isValid() && converted.convert(id))
        return converted.value<ZSerialPortProps>();
    return ZSerialPortProps();
}

QVariant ZSerialPortProps::toVariant() const
{
    return QVariant::fromValue(*this);
}

bool ZSerialPortProps::operator==(const ZSerialPortProps &other) const
{
    return name == other.name && baudRate == other.baudRate && dataBits == other.dataBits
        && stopBits == other.stopBits && parity == other.parity
        && flowControl == other.flowControl;
}

qint64 serialByteNs(int baudRate, int dataBits, int parity, int stopBits)
{
    const int bits = 1 + dataBits + (parity != 0 ? 1 : 0) + (stopBits == 2 ? 2 : 1);
    return qint64(bits) * 1000000000 / qMax(1, baudRate);
}

void registerSerialPortPropsType()
{
    qRegisterMetaType<ZSerialPortProps>("ZSerialPortProps");
}
