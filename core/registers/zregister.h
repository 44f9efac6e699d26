#ifndef ZREGISTER_H
#define ZREGISTER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Access mode of a register, kept in ZRegister::rw().
enum RegisterAccess {
    ReadWrite = 0,
    ReadOnly = 1,
    WriteOnly = 2
};

// Value type of a register, kept under ZRegister::PropType.
enum RegisterType {
    TypeInt = 0,
    TypeFloat = 1,
    TypeData = 2,
    TypeString = 3,
    TypeStatus = 4
};

// Register numbers travel as 16 bits on the wire.
constexpr int MaxRegisterNumber = 65535;

// The longest value one frame can carry: a frame is at most 255 bytes before its CRC (the
// device counts its length in 8 bits), of which 7 are the start pair, the two addresses, the
// command and the register number.
constexpr int MaxRegisterLength = 248;

// One register of the device: what the register database says about it and what the last
// transaction on it left behind.
class ZRegister
{
public:
    enum PropertyKey {
        PropLength = 0,
        PropType = 1,
        PropDescription = 2
    };

    ZRegister() = default;
    ZRegister(const ZRegister &) = default;
    ZRegister &operator=(const ZRegister &) = default;
    virtual ~ZRegister() = default;

    QVariant number() const { return m_number; }
    void setNumber(const QVariant &number) { m_number = number; }
    QVariant value() const { return m_value; }
    void setValue(const QVariant &value) { m_value = value; }
    int rw() const { return m_rw; }
    void setRw(int rw) { m_rw = rw; }
    int state() const { return m_state; }
    void setState(int state) { m_state = state; }
    QByteArray rawData() const { return m_rawData; }
    void setRawData(const QByteArray &data) { m_rawData = data; }
    QString errorText() const { return m_errorText; }
    void setErrorText(const QString &text) { m_errorText = text; }
    QString purpose() const { return m_purpose; }
    void setPurpose(const QString &purpose) { m_purpose = purpose; }

    QVariant property(int key) const { return m_properties.value(key); }
    void setProperty(int key, const QVariant &value) { m_properties.insert(key, value); }
    QHash<int, QVariant> &properties() { return m_properties; }
    const QHash<int, QVariant> &properties() const { return m_properties; }

    // Convenience readers of the two properties every conversion needs; absent counts as 0.
    int length() const { return property(PropLength).toInt(); }
    int type() const { return property(PropType).toInt(); }

private:
    QVariant m_number;
    QVariant m_value;
    int m_rw = ReadWrite;
    int m_state = 0;
    QByteArray m_rawData;
    QHash<int, QVariant> m_properties;
    QString m_errorText;
    QString m_purpose;
};

// The device's registers in ascending number. Loaded once, never resized afterwards, so pointers
// to its elements stay valid.
typedef QList<ZRegister> RegisterTable;

// First register of the table whose number equals `number` (QVariant equality), or null.
ZRegister *findRegister(RegisterTable *table, const QVariant &number);
const ZRegister *findRegister(const RegisterTable *table, const QVariant &number);

// Distinct purpose texts in the order of their first occurrence.
QStringList purposeList(const RegisterTable *table);

#endif // ZREGISTER_H
