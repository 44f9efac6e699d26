#include "zemulatedreceiver.h"

ZEmulatedReceiver::ZEmulatedReceiver(const RegisterTable &table)
    : m_store(table)
    , m_panel(&m_store, &m_signal)
{
}

void ZEmulatedReceiver::restoreDefaults()
{
    m_store.setDefaults();
    m_panel.reset();
}

void ZEmulatedReceiver::reboot()
{
    // Settings live in non-volatile memory and survive; what a restart loses is the panel
    // state, the spectrum sweep position and the latched alarms.
    m_panel.reset();
    m_signal.restartSweep();
    m_alarmBits = 0;
}

QByteArray ZEmulatedReceiver::registerBytes(int number) const
{
    if (number == m_store.statusNumber())
        return QByteArray();
    if (number == RegisterAlarms)
        return ZRegisterStore::littleEndian(m_alarmBits & 0x7F, 2);
    if (number == RegisterAlarmJournal)
        return ZRegisterStore::littleEndian(m_journal, 2);
    return m_store.value(number);
}

void ZEmulatedReceiver::setRegisterBytes(int number, const QByteArray &bytes)
{
    if (number == m_store.statusNumber())
        return;
    const quint16 bits = bytes.isEmpty() ? 0 : quint16(quint8(bytes.at(0)) | (bytes.size() > 1 ? quint8(bytes.at(1)) << 8 : 0));
    if (number == RegisterAlarms) {
        setStatusByte(quint8((bits & 0x7F) | (m_attenuatorBit ? 0x80 : 0)));
        return;
    }
    if (number == RegisterAlarmJournal) {
        m_journal = bits;
        return;
    }
    m_store.setValue(number, bytes);
}

void ZEmulatedReceiver::setStatusByte(quint8 bits)
{
    m_alarmBits = bits & 0x7F;
    m_attenuatorBit = (bits & 0x80) != 0;
    m_journal |= m_alarmBits;
}

bool ZEmulatedReceiver::attenuatorOn() const
{
    if (m_attenuatorBit)
        return true;
    switch (m_store.intValue(RegisterAttenuatorMode)) {
    case 1:
        return true;
    case 2: // automatic: in when the signal would overload the input
        return m_signal.signalPower() > m_store.floatValue(RegisterOverloadThreshold);
    default:
        return false;
    }
}

quint8 ZEmulatedReceiver::statusByte() const
{
    return quint8(m_alarmBits | (attenuatorOn() ? 0x80 : 0));
}

int ZEmulatedReceiver::read(int number, QByteArray *reply)
{
    const ZRegister *reg = m_store.find(number);
    if (!reg || reg->rw() == WriteOnly)
        return ErrorCannotRead;
    *reply = number == m_store.statusNumber() ? statusPayload() : registerBytes(number);
    return NoError;
}

int ZEmulatedReceiver::write(int number, const QByteArray &value, QByteArray *reply)
{
    const ZRegister *reg = m_store.find(number);
    if (!reg || reg->rw() == ReadOnly || number == m_store.statusNumber())
        return ErrorCannotWrite;
    if (value.size() != reg->length())
        return ErrorBadLength;

    // Command registers act on the value and echo it; nothing is stored.
    const quint8 command = quint8(value.at(0));
    switch (number) {
    case RegisterPanelKey:
        if (m_panel.pressKey(command))
            m_alarmBits = 0;
        break;
    case RegisterAlarms:
        if (command & 1)
            m_alarmBits = 0;
        break;
    case RegisterAlarmJournal:
        if (command & 1)
            m_journal = m_alarmBits;
        break;
    case RegisterRestoreDefaults:
        if (command == 1)
            restoreDefaults();
        break;
    case RegisterReboot:
        if (command == 1)
            reboot();
        break;
    default:
        m_store.setValue(number, value);
        break;
    }
    *reply = value;
    return NoError;
}

QByteArray ZEmulatedReceiver::statusPayload()
{
    QByteArray payload = m_signal.telemetry(statusByte(), m_store);
    // The display lines always take the last 48 bytes; the telemetry fills (or is cut to) the
    // rest of the register length.
    const int statusLength = m_store.statusLength();
    const int telemetryRoom = qMax(0, statusLength - 2 * LcdLineLength);
    if (payload.size() > telemetryRoom)
        payload.truncate(telemetryRoom);
    payload.append(QByteArray(telemetryRoom - payload.size(), '\0'));
    if (statusLength >= 2 * LcdLineLength) {
        payload.append(topLine());
        payload.append(bottomLine());
    }
    return payload;
}
