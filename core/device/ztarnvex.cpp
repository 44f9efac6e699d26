#include "ztarnvex.h"

#include <QDataStream>

#include <cmath>
#include <limits>

#include "zalarm.h"

namespace {

// A float that is new or unknown on either side is always announced: NaN never compares equal,
// and a value that stays NaN still tells the display that nothing is measured.
bool floatChanged(float stored, float received)
{
    return std::isnan(stored) || std::isnan(received) || stored != received;
}

} // namespace

void registerSpectrFrameType()
{
    qRegisterMetaType<SpectrFrame>("SpectrFrame");
}

ZTarnVex::ZTarnVex(QObject *parent)
    : ZAbstractTarn(parent),
      m_averagePow(std::numeric_limits<float>::quiet_NaN()),
      m_signalToNoise(std::numeric_limits<float>::quiet_NaN())
{
    registerSpectrFrameType();

    // Alarm n is bit n of the status byte; the alarm and journal registers do not carry them.
    const QString texts[AlarmCount] = {
        tr("Общая авария"),
        tr("Авария Flash"),
        tr("Авария во ВЧ"),
        tr("Авария захват PLL"),
        tr("Авария PLL"),
        tr("Перегрузка сигналом"),
        tr("Ошибка польз. ключа"),
    };
    for (int i = 0; i < AlarmCount; ++i)
        m_alarms.append(new ZAlarm(this, i, texts[i], i, -1, -1));
}

bool ZTarnVex::isAlarmActive(int index) const
{
    if (index < 0 || index >= m_alarms.size())
        return false;
    return m_alarms.at(index)->isActive();
}

int ZTarnVex::averagePower() const
{
    // Converting NaN or a value beyond int to int is undefined; the device may send either.
    if (std::isnan(m_averagePow))
        return -1;
    if (m_averagePow >= 2147483647.0f)
        return std::numeric_limits<int>::max();
    if (m_averagePow <= -2147483648.0f)
        return std::numeric_limits<int>::min();
    return int(m_averagePow);
}

double ZTarnVex::spectrumLevel(float linear, float correction)
{
    // The device reports linear power; a negative reading is noise around zero and is taken
    // as the smallest level the scale shows.
    const double v = linear < 0.0f ? 1e-6 : double(linear);
    float level = float(10.0 * std::log10(v) - 184.8 - double(correction));
    if (level < -200.0f)
        level = -200.0f;
    return double(level);
}

// ---------------------------------------------------------------------------------------------
// Tuning

void ZTarnVex::writeAveragePow(float val)
{
    writeData(int(RegisterAveragePow), QVariant(val));
}

void ZTarnVex::configFreq(int val)
{
    writeData(int(RegisterFrequency), QVariant(val));
}

void ZTarnVex::configVoltage(QVariant val)
{
    // Takes the power measured now as the new average power level; the argument only lets a
    // push button's click be connected here.
    Q_UNUSED(val)
    // Before the first status reply (and after every disconnection) there is no power to take;
    // a NaN written to the device would become its average power level. A stopped or blocked
    // device reports its own refusal below.
    if (std::isnan(m_power) && isStarted() && !isBlocked()) {
        refuse(int(RegisterAveragePow),
               tr("%1: ошибка преобразования значения в данные регистра.").arg(name()));
        return;
    }
    writeData(int(RegisterAveragePow), QVariant(m_power));
}

// ---------------------------------------------------------------------------------------------
// Telemetry

void ZTarnVex::decodeTelemetry(QByteArray payload)
{
    // Fields past the end of a short payload read as zero, as QDataStream gives them.
    QDataStream in(payload);
    in.setByteOrder(QDataStream::LittleEndian);
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);

    quint8 status = 0;
    in >> status;
    setGeneralAlarm(status & 0x01);
    for (ZAlarm *alarm : qAsConst(m_alarms))
        alarm->checkTelemetry(status);

    const int attenuator = status & 0x80;
    if (attenuator != m_attenuator) {
        m_attenuator = attenuator;
        emit attenuatorChanged(m_attenuator);
    }

    quint8 lock = 0;
    in >> lock;
    if (int(lock) != m_lock) {
        m_lock = lock;
        emit signalLock(m_lock);
    }

    float power = 0.0f;
    in >> power;
    m_power = power;
    emit signalPow(m_power);

    float voltage = 0.0f;
    in >> voltage;
    m_voltage = voltage;
    emit signalVolt(m_voltage);

    qint32 frequency = 0;
    in >> frequency;
    if (frequency != m_frequency) {
        m_frequency = frequency;
        emit signalFreq(m_frequency);
    }

    quint16 maxPos = 0;
    in >> maxPos;
    if (int(maxPos) != m_maxPos) {
        m_maxPos = maxPos;
        emit maxPosChanged(m_maxPos);
    }

    quint16 filter = 0;
    in >> filter;
    if (int(filter) != m_filter) {
        m_filter = filter;
        emit filterChanged(float(m_filter));
    }

    float averagePower = 0.0f;
    in >> averagePower;
    if (floatChanged(m_averagePow, averagePower)) {
        m_averagePow = averagePower;
        emit averagePow(m_averagePow);
    }

    float signalToNoise = 0.0f;
    in >> signalToNoise;
    if (floatChanged(m_signalToNoise, signalToNoise)) {
        m_signalToNoise = signalToNoise;
        emit signalToNoiseChanged(m_signalToNoise);
    }

    float correction = 0.0f;
    in >> correction;
    m_correction = correction;

    quint8 frameNumber = 0;
    in >> frameNumber;

    // A payload cut short before the last spectrum point carries no complete frame; points
    // made up of missing bytes would be drawn as a real -200 dB floor.
    if (payload.size() < TelemetrySize)
        return;

    SpectrFrame frame;
    frame.reserve(SpectrPoints);
    for (int i = 0; i < SpectrPoints; ++i) {
        float linear = 0.0f;
        in >> linear;
        frame.append(spectrumLevel(linear, m_correction));
    }
    // The number is passed on as the device sent it (0..255); the chart decides which numbers
    // it can place.
    emit spectrFrame(frameNumber, frame);
}

void ZTarnVex::reportTelemetry()
{
    if (!isConnected())
        return;
    for (ZAlarm *alarm : qAsConst(m_alarms))
        alarm->reportAll();
    emit attenuatorChanged(m_attenuator);
    emit signalLock(m_lock);
    emit signalPow(m_power);
    emit signalVolt(m_voltage);
    emit signalFreq(m_frequency);
    emit averagePow(m_averagePow);
    emit filterChanged(float(m_filter));
    emit signalToNoiseChanged(m_signalToNoise);
    emit maxPosChanged(m_maxPos);
}

void ZTarnVex::resetTelemetry()
{
    m_attenuator = -1;
    m_lock = -1;
    m_frequency = -1;
    m_maxPos = -1;
    m_filter = -1;
    m_power = std::numeric_limits<float>::quiet_NaN();
    m_voltage = std::numeric_limits<float>::quiet_NaN();
    m_signalToNoise = std::numeric_limits<float>::quiet_NaN();
    m_averagePow = -1.0f;
}

void ZTarnVex::onRegisterReceived(QVariant dataId)
{
    switch (dataId.toInt()) {
    case RegisterFrequency: {
        const ZRegister *reg = findRegister(registers(), QVariant(int(RegisterFrequency)));
        m_frequency = reg ? reg->value().toInt() : 0;
        emit signalFreq(m_frequency);
        break;
    }
    case RegisterAveragePow: {
        const ZRegister *reg = findRegister(registers(), QVariant(int(RegisterAveragePow)));
        m_averagePow = reg ? reg->value().toFloat() : 0.0f;
        emit averagePow(m_averagePow);
        break;
    }
    default:
        break;
    }
}

void ZTarnVex::onRegisterError(QVariant dataId)
{
    // Puts the last known value back into the controls that asked for the failed change.
    switch (dataId.toInt()) {
    case RegisterAveragePow:
        emit averagePow(m_averagePow);
        break;
    case RegisterFrequency:
        emit signalFreq(m_frequency);
        break;
    default:
        break;
    }
}
