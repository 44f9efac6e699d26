#ifndef ZSERIALLINE_H
#define ZSERIALLINE_H

#include <QSerialPort>

#include "zlinkline.h"

// A serial port of this machine. An answer is what the device sends without a pause: bytes
// are gathered into bursts that end at the line's silence.
class ZSerialLine : public ZLinkLine
{
public:
    explicit ZSerialLine(StopCheck stopRequested);

    bool open(const ZSerialPortProps &props, ZSerialPortProps *applied, QString *failure) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool isLost() const override;
    QString lossReason() const override { return m_port.errorString(); }
    void discardInput() override;
    bool write(const QByteArray &bytes, int timeoutMs) override;
    bool readPiece(QByteArray &piece, const QElapsedTimer &timer, int readTimeout, int waitMs,
                           bool gather) override;
    bool endsAtFrame() const override { return false; }

private:
    // Applies the settings that differ to the (closed) port.
    void configure(const ZSerialPortProps &props);
    // Reads one burst: what is buffered, then whatever follows with gaps under the burst gap,
    // sleeping between reads so that bytes arrive in batches.
    void readBurst(QByteArray &burst, const QElapsedTimer &timer, int readTimeout);
    // Waits up to `ns` nanoseconds for bytes to read and takes them into the port's buffer.
    bool waitForBytesNs(qint64 ns);
    // Appends what the port has buffered to `bytes`.
    void appendAvailable(QByteArray &bytes);

    StopCheck m_stopRequested;
    QSerialPort m_port;
    // How long one byte takes on the line with the port's settings.
    qint64 m_byteNs = serialByteNs(115200, 8, 0, 2);
};

#endif // ZSERIALLINE_H
