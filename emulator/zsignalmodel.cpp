#include "zsignalmodel.h"

#include "zemulatedreceiver.h"
#include "zregisterstore.h"

#include <QDataStream>
#include <QIODevice>

#include <cmath>

using R = ZEmulatedReceiver;

ZSignalModel::ZSignalModel()
    : m_random(20260308u)
{
}

double ZSignalModel::jitter(double sigma)
{
    if (m_deterministic)
        return 0.0;
    std::normal_distribution<double> dist(0.0, sigma);
    return dist(m_random);
}

int ZSignalModel::carrierPoint(qint32 frequency)
{
    // The spectrum shows a 1000 kHz window; the carrier sits at the tuned frequency modulo
    // that window.
    const double offset = std::fmod(double(frequency), R::SpanKHz);
    const int point = int(std::lround((offset < 0 ? offset + R::SpanKHz : offset) * R::SpectrumPoints / R::SpanKHz));
    return qBound(0, point, R::SpectrumPoints - 1);
}

double ZSignalModel::spectrumLevel(int point, int carrier, double width)
{
    // Noise floor and carrier add as powers; the carrier has a Gaussian skirt whose width
    // follows the IF filter.
    const double d = (point - carrier) / width;
    const double carrierMw = std::pow(10.0, (m_signalPower + m_powerDrift) / 10.0) * std::exp(-0.5 * d * d);
    const double floorMw = std::pow(10.0, (R::NoiseFloorDbm + jitter(1.5)) / 10.0);
    return 10.0 * std::log10(carrierMw + floorMw);
}

QByteArray ZSignalModel::telemetry(quint8 statusByte, const ZRegisterStore &store)
{
    QByteArray payload;
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
    const qint32 frequency = qint32(store.intValue(R::RegisterFrequency));
    const int carrier = carrierPoint(frequency);
    const qint64 band = store.intValue(R::RegisterFilterBand);
    const double width = qMax(1.5, double(band) * R::SpectrumPoints / R::SpanKHz / 6.0);
    const float correction = store.floatValue(R::RegisterLevelCorrection);

    out << statusByte;
    out << quint8(m_lock ? 1 : 0);
    out << float(power);
    out << float(voltage);
    out << frequency;
    out << quint16(carrier);                       // position of the spectrum maximum
    out << quint16(band);                          // IF filter band
    out << store.floatValue(R::RegisterAveragePower);
    out << float(m_signalPower - R::NoiseFloorDbm); // signal to noise
    out << correction;
    out << quint8(m_frame);

    // Frame k, point j shows spectrum point 32k + j - 1; the program drops point -1 of frame 0
    // and point 2046 of frame 63. Levels go out as linear values v with
    // dBm = 10*log10(v) - 184.8 - correction.
    for (int j = 0; j < R::FramePoints; ++j) {
        const int point = m_frame * R::FramePoints + j - 1;
        const double level = spectrumLevel(qBound(0, point, R::SpectrumPoints - 1), carrier, width);
        out << float(std::pow(10.0, (level + R::SpectrumOffsetDb + correction) / 10.0));
    }
    m_frame = (m_frame + 1) % R::FrameCount;
    return payload;
}
