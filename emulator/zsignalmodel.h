#ifndef ZSIGNALMODEL_H
#define ZSIGNALMODEL_H

#include <QByteArray>

#include <random>

class ZRegisterStore;

// The signal at the receiver's input and what the receiver measures of it: carrier power and
// output voltage with their noise and slow drift, the lock, and the spectrum around the carrier,
// swept a frame per status read.
class ZSignalModel
{
public:
    ZSignalModel();

    void setDeterministic(bool on) { m_deterministic = on; }
    // Power and voltage drift slowly around their set values (a few dB, a few hundredths of a
    // volt, over seconds), as a real carrier does; off by default.
    void setWander(bool on) { m_wander = on; }
    void setLock(bool on) { m_lock = on; }
    void setSignalPower(double dBm) { m_signalPower = dBm; }
    void setOutputVoltage(double volts) { m_outputVoltage = volts; }

    bool lock() const { return m_lock; }
    double signalPower() const { return m_signalPower; }
    void restartSweep() { m_frame = 0; }

    // Index of the spectrum point a carrier at `frequency` kHz sits on.
    static int carrierPoint(qint32 frequency);
    // The measurements of a status read with its status byte, the settings taken from `store`;
    // each call advances the spectrum frame.
    QByteArray telemetry(quint8 statusByte, const ZRegisterStore &store);

private:
    double spectrumLevel(int point, int carrier, double width);
    double jitter(double sigma);

    bool m_deterministic = false;
    bool m_wander = false;
    double m_powerDrift = 0.0;
    double m_voltageDrift = 0.0;
    bool m_lock = true;
    double m_signalPower = -62.0;
    double m_outputVoltage = 2.5;
    int m_frame = 0;
    std::mt19937 m_random;
};

#endif // ZSIGNALMODEL_H
