#ifndef ZSERIALPORTPROPS_H
#define ZSERIALPORTPROPS_H

#include <QMetaType>
#include <QString>
#include <QVariant>

// Serial port settings as they travel between the settings dialog, the device and the
// connection. Integers carry QSerialPort's enum values.
struct ZSerialPortProps
{
    QString name = QStringLiteral("COM1");
    int baudRate = 115200;
    int dataBits = 8;
    int stopBits = 2;
    int parity = 0;
    int flowControl = 0;

    // "name baud data stop parity flow", for log lines.
    QString toString() const;

    // The settings a variant holds, converted if it holds something convertible, else defaults.
    static ZSerialPortProps fromVariant(const QVariant &variant);
    QVariant toVariant() const;

    bool operator==(const ZSerialPortProps &other) const;
    bool operator!=(const ZSerialPortProps &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(ZSerialPortProps)

// How long one byte takes on the line, in nanoseconds: a start bit, the data bits, a parity bit
// unless `parity` is 0 (no parity) and the stop bits, 1.5 (QSerialPort's 3) counted as 1.
qint64 serialByteNs(int baudRate, int dataBits, int parity, int stopBits);

// Registers the type with the meta-object system (for queued signals); safe to call repeatedly.
void registerSerialPortPropsType();

#endif // ZSERIALPORTPROPS_H
