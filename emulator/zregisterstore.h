#ifndef ZREGISTERSTORE_H
#define ZREGISTERSTORE_H

#include <QByteArray>
#include <QMap>
#include <QString>

#include "zregister.h"

// The receiver's registers as its non-volatile memory keeps them: the bytes of each by number,
// the factory defaults, and the numbers the rest of the receiver reads out of them. The status
// register is not kept: it is built afresh for every read.
class ZRegisterStore
{
public:
    // The firmware the factory loads, as its register reads and the panel shows it.
    static constexpr const char *FirmwareVersion = "v2.4.1 2026-03";

    explicit ZRegisterStore(const RegisterTable &table);

    // The register's entry in the table, or null.
    const ZRegister *find(int number) const;
    int statusNumber() const { return m_statusNumber; }
    int statusLength() const { return m_statusLength; }

    // Every register back to its factory value.
    void setDefaults();
    QByteArray value(int number) const { return m_values.value(number); }
    void setValue(int number, const QByteArray &bytes) { m_values[number] = bytes; }
    // A value read as a little-endian float or integer (0 if too short for a float).
    float floatValue(int number) const;
    qint64 intValue(int number) const;
    // Stored at the register's length; nothing for a register not in the table.
    void setIntValue(int number, qint64 value);

    static QByteArray littleEndian(qint64 value, int width);
    // Text as the receiver keeps and shows it: Windows-1251, cut or filled to `length`.
    static QByteArray text(const QString &text, int length, char fill = '\0');

private:
    RegisterTable m_table;
    QMap<int, QByteArray> m_values;
    int m_statusNumber = -1;
    int m_statusLength = 0;
};

#endif // ZREGISTERSTORE_H
