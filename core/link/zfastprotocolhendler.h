#ifndef ZFASTPROTOCOLHENDLER_H
#define ZFASTPROTOCOLHENDLER_H

#include "zabstractprotocolhendler.h"

// The receiver's binary protocol. A frame is
//   FE FE | sender | receiver | command | register (16-bit LE) | value bytes | CRC (LE) | FC FC
// (an error response carries one error-code byte in place of register and value). CRC-16/MODBUS
// covers everything from the first start byte to the byte before the CRC. Every byte between the
// start pair and the end pair that equals FE or FC is followed by a stuffed 00, so FC FC never
// occurs inside a frame.
class ZFastProtocolHendler : public ZAbstractProtocolHendler
{
    Q_OBJECT
public:
    enum : quint8 {
        StartByte = 0xFE,
        EndByte = 0xFC,
        ReadCommand = 0x03,
        WriteCommand = 0x05,
        ErrorCommand = 0x0A
    };

    explicit ZFastProtocolHendler(QObject *parent = nullptr);

    QByteArray buildReadRequest(const ZRegister &reg, int count) override;
    QByteArray buildWriteRequest(const ZRegister &reg, const QVariant &value, bool *ok,
                                 int count) override;
    bool extractFrame(QByteArray &frame, const QByteArray &received) override;
    bool frameIsSound(const QByteArray &frame) const override;
    ParseResult parseResponse(QByteArray &valueBytes, const QByteArray &frame,
                              const ZRegister &reg, int kind) override;
    QVariant decodeValue(const ZRegister &reg, const QByteArray &bytes) override;
    QByteArray encodeValue(const ZRegister &reg, const QVariant &value, bool *ok) override;
    QString lastError() override;

    void setHostAddress(char address) { m_hostAddress = quint8(address); }
    void setDeviceAddress(char address) { m_deviceAddress = quint8(address); }
    void setLengthCheckOff(bool off) { m_lengthCheckOff = off; }
    quint8 hostAddress() const { return m_hostAddress; }
    quint8 deviceAddress() const { return m_deviceAddress; }
    bool lengthCheckOff() const { return m_lengthCheckOff; }

    // Frame-level helpers, shared with the device emulator which speaks the other side.
    // CRC-16/MODBUS of `data` (the whole array, whatever its length).
    static quint16 crc16(const QByteArray &data);
    // A complete stuffed frame from its body (sender, receiver, command, ...): adds the start
    // pair, the CRC and the end pair.
    static QByteArray makeFrame(const QByteArray &body);
    // Inserts a 00 after every FE/FC from offset 2 up to, not including, the last two bytes.
    static QByteArray stuff(const QByteArray &frame);
    // Removes the byte after every FE/FC from offset 2 on.
    static QByteArray unstuff(const QByteArray &frame);
    // The first complete frame in `received`, without its end pair; false when there is none.
    // Of several start pairs before one end pair, the first whose CRC holds. `startAt` (may be
    // null) receives the frame's offset in `received`.
    static bool findFrame(QByteArray &frame, const QByteArray &received, int *startAt = nullptr);

private:
    QByteArray buildRequest(quint8 command, const ZRegister &reg, const QByteArray &value) const;
    // Keeps what lastError() says of the last parse: its result and the two numbers it names
    // (the one expected and the one received, or the device's error code as received).
    ParseResult fail(ParseResult result, int expected = 0, int received = 0);

    int m_lastResult = -1; // nothing parsed yet
    int m_expected = 0;
    int m_received = 0;
    quint8 m_hostAddress = 0xFF;
    quint8 m_deviceAddress = 0x00;
    bool m_lengthCheckOff = false;
};

#endif // ZFASTPROTOCOLHENDLER_H
