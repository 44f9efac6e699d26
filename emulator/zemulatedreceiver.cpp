#include "zemulatedreceiver.h"

#include <QDataStream>
#include <QIODevice>
#include <QTextCodec>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

const char *const FirmwareVersion = "v2.4.1 2026-03";

QByteArray littleEndian(qint64 value, int width)
{
    QByteArray out(width, '\0');
    for (int i = 0; i < width; ++i)
        out[i] = char((quint64(value) >> (8 * i)) & 0xFF);
    return out;
}

QByteArray floatBytes(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return littleEndian(bits, 4);
}

// A text register: the text, zero-filled to the register length.
QByteArray textBytes(const char *text, int length)
{
    QByteArray out = QTextCodec::codecForName("Windows-1251")->fromUnicode(QString::fromUtf8(text));
    out = out.left(length);
    out.append(QByteArray(length - out.size(), '\0'));
    return out;
}

} // namespace

ZEmulatedReceiver::ZEmulatedReceiver(const RegisterTable &table)
    : m_table(table)
    , m_random(20260308u)
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

bool ZEmulatedReceiver::hasRegister(int number) const
{
    return findRegister(&m_table, QVariant(number)) != nullptr;
}

void ZEmulatedReceiver::setDefaults()
{
    m_values.clear();
    for (const ZRegister &reg : m_table) {
        const int number = reg.number().toInt();
        const int length = reg.length();
        switch (number) {
        case 2:  m_values[number] = littleEndian(0x0207, length); break;   // model code
        case 4:  m_values[number] = littleEndian(20417, length); break;    // serial number
        case 5:  m_values[number] = textBytes("ТАРН-ВЕКС", length); break;
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
        case 30: m_values[number] = textBytes("TARN-1", length); break;
        case 31: {
            QByteArray table(length, '\0');
            for (int i = 0; i < length; ++i)
                table[i] = char(i * 4);
            m_values[number] = table;
            break;
        }
        case 32: m_values[number] = littleEndian(0, length); break;
        case 33: m_values[number] = littleEndian(115200, length); break;
        case RegisterFirmware: m_values[number] = textBytes(FirmwareVersion, length); break;
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
    m_screen = ScreenMain;
    m_editing = false;
}

void ZEmulatedReceiver::restoreDefaults()
{
    setDefaults();
}

void ZEmulatedReceiver::reboot()
{
    // Settings live in non-volatile memory and survive; what a restart loses is the panel
    // state, the spectrum sweep position and the latched alarms.
    m_screen = ScreenMain;
    m_editing = false;
    m_frame = 0;
    m_alarmBits = 0;
}

QByteArray ZEmulatedReceiver::registerBytes(int number) const
{
    if (number == m_statusNumber)
        return QByteArray();
    if (number == RegisterAlarms)
        return littleEndian(m_alarmBits & 0x7F, 2);
    if (number == RegisterAlarmJournal)
        return littleEndian(m_journal, 2);
    return m_values.value(number);
}

void ZEmulatedReceiver::setRegisterBytes(int number, const QByteArray &bytes)
{
    if (number == m_statusNumber)
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
    m_values[number] = bytes;
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
    switch (intRegister(RegisterAttenuatorMode)) {
    case 1:
        return true;
    case 2: // automatic: in when the signal would overload the input
        return m_signalPower > floatRegister(RegisterOverloadThreshold);
    default:
        return false;
    }
}

quint8 ZEmulatedReceiver::statusByte() const
{
    return quint8(m_alarmBits | (attenuatorOn() ? 0x80 : 0));
}

float ZEmulatedReceiver::floatRegister(int number) const
{
    const QByteArray bytes = m_values.value(number);
    if (bytes.size() < 4)
        return 0.0f;
    const quint32 bits = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData()));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

qint64 ZEmulatedReceiver::intRegister(int number) const
{
    const QByteArray bytes = m_values.value(number);
    quint64 v = 0;
    for (int i = 0; i < bytes.size() && i < 8; ++i)
        v |= quint64(quint8(bytes.at(i))) << (8 * i);
    return qint64(v);
}

void ZEmulatedReceiver::setIntRegister(int number, qint64 value)
{
    const ZRegister *reg = findRegister(&m_table, QVariant(number));
    if (reg)
        m_values[number] = littleEndian(value, reg->length());
}

qint32 ZEmulatedReceiver::frequency() const
{
    return qint32(intRegister(RegisterFrequency));
}

float ZEmulatedReceiver::averagePower() const
{
    return floatRegister(RegisterAveragePower);
}

int ZEmulatedReceiver::read(int number, QByteArray *reply)
{
    const ZRegister *reg = findRegister(&m_table, QVariant(number));
    if (!reg || reg->rw() == WriteOnly)
        return ErrorCannotRead;
    *reply = number == m_statusNumber ? statusPayload() : registerBytes(number);
    return NoError;
}

int ZEmulatedReceiver::write(int number, const QByteArray &value, QByteArray *reply)
{
    const ZRegister *reg = findRegister(&m_table, QVariant(number));
    if (!reg || reg->rw() == ReadOnly || number == m_statusNumber)
        return ErrorCannotWrite;
    if (value.size() != reg->length())
        return ErrorBadLength;

    // Command registers act on the value and echo it; nothing is stored.
    const quint8 command = quint8(value.at(0));
    switch (number) {
    case RegisterPanelKey:
        pressKey(command);
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
        m_values[number] = value;
        break;
    }
    *reply = value;
    return NoError;
}

// ---- front panel ----------------------------------------------------------------------------

void ZEmulatedReceiver::pressKey(int key)
{
    if (m_editing) {
        switch (key) {
        case KeyUp:
            m_editFrequency += m_editStep;
            break;
        case KeyDown:
            m_editFrequency = qMax(0, m_editFrequency - m_editStep);
            break;
        case KeyLeft:
            m_editStep = qMin(10000, m_editStep * 10);
            break;
        case KeyRight:
            m_editStep = qMax(1, m_editStep / 10);
            break;
        case KeyOk:
            setIntRegister(RegisterFrequency, m_editFrequency);
            m_editing = false;
            break;
        case KeyCancel:
        case KeyEscape:
            m_editing = false;
            break;
        default:
            break;
        }
        return;
    }

    switch (key) {
    case KeyUp:
    case KeyLeft:
        m_screen = (m_screen + ScreenCount - 1) % ScreenCount;
        break;
    case KeyDown:
    case KeyRight:
        m_screen = (m_screen + 1) % ScreenCount;
        break;
    case KeyOk:
        if (m_screen == ScreenMain) {
            m_editing = true;
            m_editFrequency = frequency();
            m_editStep = 100;
        }
        break;
    case KeyReset:
        if (m_screen == ScreenAlarms)
            m_alarmBits = 0;
        break;
    case KeyAlarm:
        m_screen = ScreenAlarms;
        break;
    case KeyCancel:
    case KeyEscape:
        m_screen = ScreenMain;
        break;
    default:
        break;
    }
}

QByteArray ZEmulatedReceiver::lcdText(const QString &text) const
{
    QByteArray bytes = QTextCodec::codecForName("Windows-1251")->fromUnicode(text.left(LcdLineLength));
    bytes = bytes.left(LcdLineLength);
    bytes.append(QByteArray(LcdLineLength - bytes.size(), ' '));
    return bytes;
}

QByteArray ZEmulatedReceiver::topLine() const
{
    if (m_editing) {
        // 0x18 and 0x19 are the display's up and down arrows.
        return lcdText(QStringLiteral("Частота %1%2 шаг %3")
                           .arg(QChar(0x18)).arg(QChar(0x19)).arg(m_editStep));
    }
    switch (m_screen) {
    case ScreenPower:
        return lcdText(QStringLiteral("Мощность сигнала"));
    case ScreenTemperature:
        return lcdText(QStringLiteral("Температура"));
    case ScreenFirmware:
        return lcdText(QStringLiteral("Версия ПО"));
    case ScreenAlarms: {
        int count = 0;
        for (int bit = 1; bit < 7; ++bit)
            count += (m_alarmBits >> bit) & 1;
        return lcdText(QStringLiteral("Аварии: %1").arg(count));
    }
    default:
        return lcdText(QStringLiteral("Част. %1 кГц").arg(frequency()));
    }
}

QByteArray ZEmulatedReceiver::bottomLine() const
{
    if (m_editing)
        return lcdText(QStringLiteral("> %1 кГц").arg(m_editFrequency));
    switch (m_screen) {
    case ScreenPower:
        return lcdText(QStringLiteral("%1 дБм  ср %2")
                           .arg(m_signalPower, 0, 'f', 1)
                           .arg(double(averagePower()), 0, 'f', 1));
    case ScreenTemperature:
        return lcdText(QStringLiteral("Синт %1°C ПЧ %2°C")
                           .arg(double(floatRegister(RegisterSynthTemperature)), 0, 'f', 1)
                           .arg(double(floatRegister(RegisterIfTemperature)), 0, 'f', 1));
    case ScreenFirmware:
        return lcdText(QString::fromUtf8(FirmwareVersion));
    case ScreenAlarms: {
        QStringList bits;
        for (int bit = 1; bit < 7; ++bit) {
            if ((m_alarmBits >> bit) & 1)
                bits << QString::number(bit);
        }
        return lcdText(bits.isEmpty() ? QStringLiteral("нет") : QStringLiteral("Биты: ") + bits.join(QLatin1Char(' ')));
    }
    default:
        return lcdText(QStringLiteral("%1 дБм %2")
                           .arg(m_signalPower, 0, 'f', 1)
                           .arg(m_lock ? QStringLiteral("ЗАХВАТ") : QStringLiteral("НЕТ ЗАХВ.")));
    }
}

// ---- status payload ------------------------------------------------------------------------

double ZEmulatedReceiver::jitter(double sigma)
{
    if (m_deterministic)
        return 0.0;
    std::normal_distribution<double> dist(0.0, sigma);
    return dist(m_random);
}

int ZEmulatedReceiver::carrierPoint() const
{
    // The spectrum shows a 1000 kHz window; the carrier sits at the tuned frequency modulo
    // that window.
    const double offset = std::fmod(double(frequency()), SpanKHz);
    const int point = int(std::lround((offset < 0 ? offset + SpanKHz : offset) * SpectrumPoints / SpanKHz));
    return qBound(0, point, SpectrumPoints - 1);
}

double ZEmulatedReceiver::spectrumLevel(int point, int carrier, double width)
{
    // Noise floor and carrier add as powers; the carrier has a Gaussian skirt whose width
    // follows the IF filter.
    const double d = (point - carrier) / width;
    const double carrierMw = std::pow(10.0, (m_signalPower + m_powerDrift) / 10.0) * std::exp(-0.5 * d * d);
    const double floorMw = std::pow(10.0, (NoiseFloorDbm + jitter(1.5)) / 10.0);
    return 10.0 * std::log10(carrierMw + floorMw);
}

QByteArray ZEmulatedReceiver::statusPayload()
{
    QByteArray payload;
    payload.reserve(qMax(m_statusLength, TelemetryLength));
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);

    if (m_wander && !m_deterministic) {
        // A slow random walk pulled back toward the set value: at about 20 polls a second it
        // wanders some 1.5 dB and 0.05 V with a memory of several seconds.
        m_powerDrift = 0.995 * m_powerDrift + jitter(0.15);
        m_voltageDrift = 0.995 * m_voltageDrift + jitter(0.005);
    }
    const double carrierPower = m_signalPower + m_powerDrift;
    const double power = carrierPower + jitter(0.15);
    const double voltage = m_outputVoltage + m_voltageDrift + jitter(0.005);
    const int carrier = carrierPoint();
    const qint64 band = intRegister(RegisterFilterBand);
    const double width = qMax(1.5, double(band) * SpectrumPoints / SpanKHz / 6.0);
    const float correction = floatRegister(RegisterLevelCorrection);

    out << quint8(statusByte());
    out << quint8(m_lock ? 1 : 0);
    out << float(power);
    out << float(voltage);
    out << qint32(frequency());
    out << quint16(carrier);                       // position of the spectrum maximum
    out << quint16(band);                          // IF filter band
    out << averagePower();
    out << float(m_signalPower - NoiseFloorDbm);   // signal to noise
    out << correction;
    out << quint8(m_frame);

    // Frame k, point j shows spectrum point 32k + j - 1; the program drops point -1 of frame 0
    // and point 2046 of frame 63. Levels go out as linear values v with
    // dBm = 10*log10(v) - 184.8 - correction.
    for (int j = 0; j < FramePoints; ++j) {
        const int point = m_frame * FramePoints + j - 1;
        const double level = spectrumLevel(qBound(0, point, SpectrumPoints - 1), carrier, width);
        out << float(std::pow(10.0, (level + SpectrumOffsetDb + correction) / 10.0));
    }
    m_frame = (m_frame + 1) % FrameCount;

    // The display lines always take the last 48 bytes; the telemetry fills (or is cut to) the
    // rest of the register length.
    const int telemetryRoom = qMax(0, m_statusLength - 2 * LcdLineLength);
    if (payload.size() > telemetryRoom)
        payload.truncate(telemetryRoom);
    payload.append(QByteArray(telemetryRoom - payload.size(), '\0'));
    if (m_statusLength >= 2 * LcdLineLength) {
        payload.append(topLine());
        payload.append(bottomLine());
    }
    return payload;
}
