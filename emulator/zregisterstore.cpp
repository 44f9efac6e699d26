#include "zregisterstore.h"

#include "zemulatedreceiver.h"

#include <QTextCodec>
#include <QtEndian>

#include <cstring>

namespace {

QByteArray floatBytes(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return ZRegisterStore::littleEndian(bits, 4);
}

} // namespace

ZRegisterStore::ZRegisterStore(const RegisterTable &table)
    : m_table(table)
{
    for (const ZRegister &reg : m_table) {
        if (reg.type() == TypeStatus) {
            m_statusNumber = reg.number().toInt();
            m_statusLength = reg.length();
            break;
        }
    }
    setDefaults();
}

const ZRegister *ZRegisterStore::find(int number) const
{
    return findRegister(&m_table, QVariant(number));
}

QByteArray ZRegisterStore::text(const QString &text, int length, char fill)
{
    QByteArray out = QTextCodec::codecForName("Windows-1251")->fromUnicode(text).left(length);
    out.append(QByteArray(length - out.size(), fill));
    return out;
}

QByteArray ZRegisterStore::littleEndian(qint64 value, int width)
{
    QByteArray out(width, '\0');
    for (int i = 0; i < width; ++i)
        out[i] = char((quint64(value) >> (8 * i)) & 0xFF);
    return out;
}

void ZRegisterStore::setDefaults()
{
    m_values.clear();
    for (const ZRegister &reg : m_table) {
        const int number = reg.number().toInt();
        const int length = reg.length();
        switch (number) {
        case 2:  m_values[number] = littleEndian(0x0207, length); break;   // model code
        case 4:  m_values[number] = littleEndian(20417, length); break;    // serial number
        case 5:  m_values[number] = text(QStringLiteral("ТАРН-ВЕКС"), length); break;
        case 6:  m_values[number] = littleEndian(1234, length); break;     // hours in service
        case 7:  m_values[number] = QByteArray::fromHex("2025110714300000").left(length); break;
        case 10: m_values[number] = floatBytes(41.5f); break;
        case 11: m_values[number] = floatBytes(38.2f); break;
        case 12: m_values[number] = floatBytes(12.1f); break;
        case 13: m_values[number] = littleEndian(430, length); break;
        case 15: m_values[number] = floatBytes(-60.0f); break;
        case 18: m_values[number] = littleEndian(1200500, length); break;
        case 20: m_values[number] = littleEndian(0, length); break;        // attenuator off
        case 21: m_values[number] = littleEndian(50, length); break;       // IF filter, kHz
        case 22: m_values[number] = floatBytes(-20.0f); break;             // overload threshold
        case 23: m_values[number] = floatBytes(-110.0f); break;            // lock threshold
        case 24: m_values[number] = littleEndian(100, length); break;      // averaging, ms
        case 25: m_values[number] = floatBytes(0.0f); break;               // level correction
        case 30: m_values[number] = text(QStringLiteral("TARN-1"), length); break;
        case 31: {
            QByteArray table(length, '\0');
            for (int i = 0; i < length; ++i)
                table[i] = char(i * 4);
            m_values[number] = table;
            break;
        }
        case 32: m_values[number] = littleEndian(0, length); break;
        case 33: m_values[number] = littleEndian(115200, length); break;
        case ZEmulatedReceiver::RegisterFirmware: m_values[number] = text(QString::fromUtf8(FirmwareVersion), length); break;
        default:
            if (reg.type() == TypeString)
                m_values[number] = QByteArray(length, '\0');
            else if (reg.type() == TypeFloat)
                m_values[number] = floatBytes(0.0f);
            else if (number != m_statusNumber)
                m_values[number] = QByteArray(length, '\0');
            break;
        }
    }
}

float ZRegisterStore::floatValue(int number) const
{
    const QByteArray bytes = m_values.value(number);
    if (bytes.size() < 4)
        return 0.0f;
    const quint32 bits = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData()));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

qint64 ZRegisterStore::intValue(int number) const
{
    const QByteArray bytes = m_values.value(number);
    quint64 v = 0;
    for (int i = 0; i < bytes.size() && i < 8; ++i)
        v |= quint64(quint8(bytes.at(i))) << (8 * i);
    return qint64(v);
}

void ZRegisterStore::setIntValue(int number, qint64 value)
{
    const ZRegister *reg = find(number);
    if (reg)
        m_values[number] = littleEndian(value, reg->length());
}
