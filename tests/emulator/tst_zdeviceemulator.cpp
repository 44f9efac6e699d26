// The emulator driven the way the program drives the receiver: through the pty slave, with
// requests built and replies checked by the program's own protocol handler.

#include <QDataStream>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "procstatus.h"
#include "testbytes.h"
#include "zdeviceemulator.h"
#include "zfastprotocolhendler.h"

using namespace TestBytes;

namespace {

const int StatusNumber = 1;
const int StatusLength = 207;

// Reads and writes the slave side with plain POSIX calls, as a serial port would.
struct Port
{
    int fd = -1;

    bool open(const QString &path)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return fd >= 0;
    }
    ~Port() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    bool send(const QByteArray &bytes)
    {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // Collects bytes until a complete frame is in or `timeoutMs` passes; `raw` gets all read.
    QByteArray receive(int timeoutMs, QByteArray *raw = nullptr)
    {
        QElapsedTimer clock;
        clock.start();
        QByteArray bytes;
        QByteArray frame;
        while (clock.elapsed() < timeoutMs) {
            pollfd p = {fd, POLLIN, 0};
            if (::poll(&p, 1, int(qMax<qint64>(1, timeoutMs - clock.elapsed()))) <= 0)
                continue;
            if (!(p.revents & POLLIN))
                break;
            char chunk[1024];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                break;
            bytes.append(chunk, int(n));
            if (ZFastProtocolHendler::findFrame(frame, bytes))
                break;
        }
        if (raw)
            *raw = bytes;
        ZFastProtocolHendler::findFrame(frame, bytes);
        return frame;
    }
    QByteArray transact(const QByteArray &request, int timeoutMs = 1000)
    {
        send(request);
        return receive(timeoutMs);
    }
};

// The body of an unstuffed reply (sender, receiver, command, ...), empty on a bad CRC.
QByteArray replyBody(const QByteArray &frame)
{
    const QByteArray plain = ZFastProtocolHendler::unstuff(frame);
    if (plain.size() < 6 || ZFastProtocolHendler::crc16(plain) != 0)
        return QByteArray();
    return plain.mid(2, plain.size() - 4);
}

// The telemetry fields of a status payload as the receiver device decodes them.
struct Telemetry
{
    quint8 status = 0, lock = 0, frame = 0;
    float power = 0, voltage = 0, average = 0, snr = 0, correction = 0;
    qint32 frequency = 0;
    quint16 maxPos = 0, filter = 0;
    QVector<double> levels; // dBm, as the program computes them
    QString top, bottom;
};

Telemetry decode(const QByteArray &payload)
{
    Telemetry t;
    QDataStream in(payload);
    in.setByteOrder(QDataStream::LittleEndian);
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);
    in >> t.status >> t.lock >> t.power >> t.voltage >> t.frequency >> t.maxPos >> t.filter
       >> t.average >> t.snr >> t.correction >> t.frame;
    for (int i = 0; i < 32; ++i) {
        float v;
        in >> v;
        t.levels << 10.0 * std::log10(double(v)) - 184.8 - double(t.correction);
    }
    QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
    t.top = codec->toUnicode(payload.mid(payload.size() - 48, 24)).trimmed();
    t.bottom = codec->toUnicode(payload.right(24)).trimmed();
    return t;
}

} // namespace

class TstZDeviceEmulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readWrite_data();
    void readWrite();
    void errorCodes_data();
    void errorCodes();
    void requestsThroughProgramHandler();
    void statusPayloadLayout();
    void spectrumSweep();
    void lcdMenu_data();
    void lcdMenu();
    void alarmRegisters();
    void defaultsAndReboot();
    void framingGarbageAndBadCrc();
    void countedFaults_data();
    void countedFaults();
    void noise();
    void replyDelay();
    void splitReply();
    void pacing();
    void hangUp();
    void noStaleReplyAfterReopen();
    void startFailures();
    void executable();
    void terminatedTheMomentItServes();

private:
    QByteArray value(const QByteArray &frame);
    Telemetry readStatus();

    std::unique_ptr<ZDeviceEmulator> m_emu;
    std::unique_ptr<QTemporaryDir> m_dir;
    Port m_port;
};

void TstZDeviceEmulator::init()
{
    m_dir.reset(new QTemporaryDir);
    m_emu.reset(new ZDeviceEmulator(QStringLiteral(TARN_DB_PATH)));
    m_emu->setDeterministic(true);
    QVERIFY2(m_emu->start(m_dir->filePath(QStringLiteral("ttyTARN"))), qPrintable(m_emu->errorString()));
    QVERIFY2(m_port.open(m_emu->portPath()), strerror(errno));
}

void TstZDeviceEmulator::cleanup()
{
    m_port.close();
    m_emu.reset();
    m_dir.reset();
}

// The value bytes of a normal reply; fails the test on anything else.
QByteArray TstZDeviceEmulator::value(const QByteArray &frame)
{
    const QByteArray body = replyBody(frame);
    if (body.size() < 5 || quint8(body.at(2)) == ZFastProtocolHendler::ErrorCommand) {
        QTest::qFail(qPrintable("not a normal reply: " + frame.toHex(' ')), __FILE__, __LINE__);
        return QByteArray();
    }
    return body.mid(5);
}

Telemetry TstZDeviceEmulator::readStatus()
{
    return decode(value(m_port.transact(readRequest(StatusNumber))));
}

void TstZDeviceEmulator::readWrite_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("int, 1 byte") << 20 << QByteArray::fromHex("02");
    QTest::newRow("int, 2 bytes") << 21 << QByteArray::fromHex("fe00");       // stuffed in both frames
    QTest::newRow("int, 4 bytes") << 18 << le32(1234567);
    QTest::newRow("float") << 22 << leFloat(-12.5f);
    QTest::newRow("string") << 30 << QByteArray("UA3XYZ").leftJustified(16, '\0');
    QTest::newRow("data, all FC") << 31 << QByteArray(32, char(0xFC));
}

// A write is echoed with the stored value and a read gives it back.
void TstZDeviceEmulator::readWrite()
{
    QFETCH(int, number);
    QFETCH(QByteArray, written);

    const QByteArray before = value(m_port.transact(readRequest(number)));
    QCOMPARE(before.size(), written.size());
    QVERIFY(before != written);

    const QByteArray echo = replyBody(m_port.transact(writeRequest(number, written)));
    QCOMPARE(quint8(echo.at(2)), quint8(0x06));
    QCOMPARE(echo.mid(5), written);
    QCOMPARE(value(m_port.transact(readRequest(number))), written);
    QCOMPARE(m_emu->registerBytes(number), written);
}

void TstZDeviceEmulator::errorCodes_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("code");

    QTest::newRow("read unknown") << readRequest(100) << 2;
    QTest::newRow("read write-only") << readRequest(34) << 2;
    QTest::newRow("write unknown") << writeRequest(100, QByteArray(2, '\0')) << 3;
    QTest::newRow("write read-only") << writeRequest(2, QByteArray(2, '\0')) << 3;
    QTest::newRow("write status") << writeRequest(1, QByteArray(207, '\0')) << 3;
    QTest::newRow("write too short") << writeRequest(18, QByteArray(2, '\0')) << 6;
    QTest::newRow("write too long") << writeRequest(20, QByteArray(2, '\0')) << 6;
    QTest::newRow("write empty") << writeRequest(15, QByteArray()) << 6;
    QTest::newRow("unknown command") << requestFrame(0x07, 18) << 1;
}

void TstZDeviceEmulator::errorCodes()
{
    QFETCH(QByteArray, request);
    QFETCH(int, code);

    const QByteArray body = replyBody(m_port.transact(request));
    QCOMPARE(body.toHex(' '), (QByteArray::fromHex("00ff0a") + char(code)).toHex(' '));
    QCOMPARE(m_emu->requestsServed(), quint64(1));
}

// Requests built by the program's handler and replies checked by it, through its value codec.
void TstZDeviceEmulator::requestsThroughProgramHandler()
{
    ZFastProtocolHendler handler;
    const RegisterTable table = m_emu->registers();
    const ZRegister *power = findRegister(&table, QVariant(15));
    const ZRegister *name = findRegister(&table, QVariant(30));
    const ZRegister *firmware = findRegister(&table, QVariant(65531));
    QVERIFY(power && name && firmware);

    bool ok = false;
    QByteArray bytes;
    QCOMPARE(handler.parseResponse(bytes, m_port.transact(handler.buildWriteRequest(*power, -47.25f, &ok, 1)), *power, 2), 0);
    QCOMPARE(handler.decodeValue(*power, bytes).toFloat(), -47.25f);
    QCOMPARE(handler.parseResponse(bytes, m_port.transact(handler.buildReadRequest(*power, 1)), *power, 1), 0);
    QCOMPARE(handler.decodeValue(*power, bytes).toFloat(), -47.25f);
    QCOMPARE(m_emu->registerBytes(15), leFloat(-47.25f));

    QCOMPARE(handler.parseResponse(bytes, m_port.transact(handler.buildWriteRequest(*name, QStringLiteral("TARN-2"), &ok, 1)), *name, 2), 0);
    QCOMPARE(handler.parseResponse(bytes, m_port.transact(handler.buildReadRequest(*name, 1)), *name, 1), 0);
    QCOMPARE(handler.decodeValue(*name, bytes).toString(), QStringLiteral("TARN-2"));

    QCOMPARE(handler.parseResponse(bytes, m_port.transact(handler.buildReadRequest(*firmware, 1)), *firmware, 1), 0);
    QVERIFY(!handler.decodeValue(*firmware, bytes).toString().isEmpty());
}

void TstZDeviceEmulator::statusPayloadLayout()
{
    m_emu->setLock(false);
    m_emu->setSignalPower(-50.5);
    m_emu->setOutputVoltage(3.25);
    m_emu->setStatusByte(0x81);
    m_emu->setRegisterBytes(18, le32(70250));
    m_emu->setRegisterBytes(15, leFloat(-55.0f));

    const QByteArray payload = value(m_port.transact(readRequest(StatusNumber)));
    QCOMPARE(payload.size(), StatusLength);
    Telemetry t = decode(payload);
    QCOMPARE(t.status, quint8(0x81));
    QCOMPARE(t.lock, quint8(0));
    QCOMPARE(t.power, -50.5f);
    QCOMPARE(t.voltage, 3.25f);
    QCOMPARE(t.frequency, 70250);
    QCOMPARE(t.average, -55.0f);
    QCOMPARE(t.filter, quint16(50));       // IF filter register default
    QCOMPARE(t.maxPos, quint16(512));      // 250 kHz into the 1000 kHz window of 2046 points
    QCOMPARE(t.frame, quint8(0));

    m_emu->setLock(true);
    m_emu->setStatusByte(0x00);
    m_port.transact(writeRequest(20, QByteArray(1, '\1'))); // attenuator in by its mode register
    t = readStatus();
    QCOMPARE(t.lock, quint8(1));
    QCOMPARE(t.status, quint8(0x80));
    QCOMPARE(t.frame, quint8(1));
}

// 64 status reads carry frames 0..63 in turn; put together as the spectrum chart does, the
// carrier sits at the tuned frequency and the rest is the noise floor.
void TstZDeviceEmulator::spectrumSweep()
{
    m_emu->setSignalPower(-60.0);
    m_emu->setRegisterBytes(18, le32(70750)); // point 1535 of 2046
    QVector<double> spectrum(2046, qQNaN());
    for (int k = 0; k < 64; ++k) {
        const Telemetry t = readStatus();
        QCOMPARE(int(t.frame), k);
        for (int j = 0; j < 32; ++j) {
            const int point = 32 * k + j - 1;
            if (point >= 0 && point < 2046)
                spectrum[point] = t.levels[j];
        }
    }
    QCOMPARE(int(readStatus().frame), 0);

    const int peak = int(std::max_element(spectrum.cbegin(), spectrum.cend()) - spectrum.cbegin());
    QCOMPARE(peak, 1535);
    QVERIFY2(std::fabs(spectrum[peak] + 60.0) < 0.5, qPrintable(QString::number(spectrum[peak])));
    QVERIFY2(std::fabs(spectrum[100] + 115.0) < 0.5, qPrintable(QString::number(spectrum[100])));
    for (double level : qAsConst(spectrum))
        QVERIFY(level > -200.0 && level < 0.0);
}

void TstZDeviceEmulator::lcdMenu_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("bottom");
    QTest::addColumn<int>("frequency");

    const QString main = QStringLiteral("Част. 1200500 кГц");
    QTest::newRow("start screen") << QByteArray() << main << QStringLiteral("-62.0 дБм ЗАХВАТ") << 1200500;
    QTest::newRow("down: power") << QByteArray("\4") << QStringLiteral("Мощность сигнала") << QStringLiteral("-62.0 дБм  ср -60.0") << 1200500;
    QTest::newRow("down twice: temperature") << QByteArray("\4\4") << QStringLiteral("Температура") << QStringLiteral("Синт 41.5°C ПЧ 38.2°C") << 1200500;
    QTest::newRow("right thrice: firmware") << QByteArray("\3\3\3") << QStringLiteral("Версия ПО") << QStringLiteral("v2.4.1 2026-03") << 1200500;
    QTest::newRow("up wraps to alarms") << QByteArray("\2") << QStringLiteral("Аварии: 0") << QStringLiteral("нет") << 1200500;
    QTest::newRow("alarm key") << QByteArray("\4\7") << QStringLiteral("Аварии: 0") << QStringLiteral("нет") << 1200500;
    QTest::newRow("escape returns") << QByteArray("\4\4\11") << main << QStringLiteral("-62.0 дБм ЗАХВАТ") << 1200500;
    QTest::newRow("ok edits frequency") << QByteArray("\5") << QStringLiteral("Частота ↑↓ шаг 100") << QStringLiteral("> 1200500 кГц") << 1200500;
    QTest::newRow("edit: up twice, ok") << QByteArray("\5\2\2\5") << QStringLiteral("Част. 1200700 кГц") << QStringLiteral("-62.0 дБм ЗАХВАТ") << 1200700;
    QTest::newRow("edit: coarser step, down") << QByteArray("\5\1\4") << QStringLiteral("Частота ↑↓ шаг 1000") << QStringLiteral("> 1199500 кГц") << 1200500;
    QTest::newRow("edit: cancel keeps") << QByteArray("\5\2\10") << main << QStringLiteral("-62.0 дБм ЗАХВАТ") << 1200500;
    QTest::newRow("unknown key ignored") << QByteArray("\0\12") << main << QStringLiteral("-62.0 дБм ЗАХВАТ") << 1200500;
}

void TstZDeviceEmulator::lcdMenu()
{
    QFETCH(QByteArray, keys);
    QFETCH(QString, top);
    QFETCH(QString, bottom);
    QFETCH(int, frequency);

    for (char key : keys) {
        const QByteArray echo = replyBody(m_port.transact(writeRequest(3, QByteArray(1, key))));
        QCOMPARE(echo.mid(5), QByteArray(1, key));
    }
    const Telemetry t = readStatus();
    // The program shows display bytes 0x18 and 0x19 as arrows.
    QCOMPARE(QString(t.top).replace(QChar(0x18), QChar(0x2191)).replace(QChar(0x19), QChar(0x2193)), top);
    QCOMPARE(t.bottom, bottom);
    QCOMPARE(t.frequency, frequency);
}

void TstZDeviceEmulator::alarmRegisters()
{
    m_emu->setStatusByte(0x8B); // general, Flash and PLL-capture alarms, attenuator
    QCOMPARE(value(m_port.transact(readRequest(9))), QByteArray::fromHex("0b00"));
    QCOMPARE(value(m_port.transact(readRequest(79))), QByteArray::fromHex("0b00"));

    // Resetting the alarms clears them in the status byte too; the journal remembers them.
    QCOMPARE(value(m_port.transact(writeRequest(9, QByteArray::fromHex("0100")))), QByteArray::fromHex("0100"));
    QCOMPARE(value(m_port.transact(readRequest(9))), QByteArray::fromHex("0000"));
    QCOMPARE(readStatus().status, quint8(0x80));
    QCOMPARE(value(m_port.transact(readRequest(79))), QByteArray::fromHex("0b00"));

    m_port.transact(writeRequest(79, QByteArray::fromHex("0100")));
    QCOMPARE(value(m_port.transact(readRequest(79))), QByteArray::fromHex("0000"));
}

void TstZDeviceEmulator::defaultsAndReboot()
{
    m_port.transact(writeRequest(18, le32(123456)));
    m_port.transact(writeRequest(3, QByteArray("\4")));
    readStatus();
    readStatus();

    // Reboot: settings stay, the panel and the spectrum sweep start over.
    QCOMPARE(value(m_port.transact(writeRequest(65535, QByteArray("\1")))), QByteArray("\1"));
    Telemetry t = readStatus();
    QCOMPARE(int(t.frame), 0);
    QCOMPARE(t.frequency, 123456);
    QCOMPARE(t.top, QStringLiteral("Част. 123456 кГц"));

    QCOMPARE(value(m_port.transact(writeRequest(65530, QByteArray("\1")))), QByteArray("\1"));
    QCOMPARE(value(m_port.transact(readRequest(18))), le32(1200500));
}

void TstZDeviceEmulator::framingGarbageAndBadCrc()
{
    // Garbage, including a false start pair, before the request; two requests in one burst.
    QByteArray burst = QByteArray::fromHex("0011fe22fefe33") + readRequest(18) + QByteArray::fromHex("fc99") + readRequest(21);
    m_port.send(burst);
    QByteArray raw;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000 && raw.count(QByteArray::fromHex("fcfc")) < 2) {
        QByteArray more;
        m_port.receive(100, &more);
        raw += more;
    }
    QByteArray first, second;
    QVERIFY(ZFastProtocolHendler::findFrame(first, raw));
    QVERIFY(ZFastProtocolHendler::findFrame(second, raw.mid(raw.indexOf(QByteArray::fromHex("fcfc")) + 2)));
    QCOMPARE(value(first), le32(1200500));
    QCOMPARE(value(second), QByteArray::fromHex("3200"));

    // A request whose CRC is wrong is not answered, but is counted and kept.
    QByteArray bad = readRequest(18);
    bad[7] = char(bad.at(7) ^ 0x01);
    QVERIFY(m_port.transact(bad, 150).isEmpty());
    QCOMPARE(m_emu->requestsReceived(), quint64(3));
    QCOMPARE(m_emu->requestsServed(), quint64(2));
    const QList<QByteArray> last = m_emu->lastRequests();
    QCOMPARE(last.size(), 3);
    QCOMPARE(last.at(0), readRequest(18).chopped(2));
    QCOMPARE(last.at(2), bad.chopped(2));
}

void TstZDeviceEmulator::countedFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("outcomes");

    // The first request writes 1 into register 18 (1200500 by default), the others read it back;
    // each outcome is what came back: no frame, a bad CRC, an error code or the value.
    const QString one = "value " + le32(1).toHex();
    const QString unchanged = "value " + le32(1200500).toHex();
    QTest::newRow("one reply dropped, the write carried out")
        << "drop" << 1 << 0 << QStringList{"none", one};
    QTest::newRow("every reply dropped") << "drop" << -1 << 0 << QStringList{"none", "none", "none"};
    QTest::newRow("one bad CRC, the write carried out")
        << "crc" << 1 << 0 << QStringList{"crc", one};
    QTest::newRow("every CRC bad") << "crc" << -1 << 0 << QStringList{"crc", "crc", "crc"};
    QTest::newRow("one error reply, the write refused")
        << "error" << 1 << 5 << QStringList{"error 5", unchanged};
    QTest::newRow("every reply an error") << "error" << -1 << 4
                                          << QStringList{"error 4", "error 4", "error 4"};
}

// Faults that hit a number of requests (-1: all until switched off with 0).
void TstZDeviceEmulator::countedFaults()
{
    QFETCH(QString, fault);
    QFETCH(int, count);
    QFETCH(int, code);
    QFETCH(QStringList, outcomes);

    auto apply = [&](int n) {
        if (fault == "drop")
            m_emu->setDropReplies(n);
        else if (fault == "crc")
            m_emu->setCorruptCrc(n);
        else
            m_emu->setErrorReply(n, code);
    };
    auto outcome = [&](const QByteArray &request) -> QString {
        const QByteArray frame = m_port.transact(request, 150);
        if (frame.isEmpty())
            return "none";
        const QByteArray body = replyBody(frame);
        if (body.isEmpty())
            return "crc";
        if (quint8(body.at(2)) == ZFastProtocolHendler::ErrorCommand)
            return "error " + QString::number(quint8(body.at(3)));
        return "value " + body.mid(5).toHex();
    };

    apply(count);
    QStringList seen;
    seen << outcome(writeRequest(18, le32(1)));
    while (seen.size() < outcomes.size())
        seen << outcome(readRequest(18));
    QCOMPARE(seen, outcomes);
    QCOMPARE(m_emu->requestsReceived(), quint64(outcomes.size()));

    apply(0);
    QVERIFY(outcome(readRequest(18)).startsWith("value "));
}

void TstZDeviceEmulator::noise()
{
    const QByteArray noise = QByteArray::fromHex("123400fc");
    m_emu->setNoise(noise);
    m_port.send(readRequest(21));
    QByteArray raw;
    const QByteArray frame = m_port.receive(1000, &raw);
    QVERIFY(raw.startsWith(noise));
    QCOMPARE(value(frame), QByteArray::fromHex("3200"));

    m_emu->setNoise(QByteArray());
    m_port.send(readRequest(21));
    m_port.receive(1000, &raw);
    QVERIFY(raw.startsWith(QByteArray::fromHex("fefe")));
}

// Microseconds on the monotonic clock.
static qint64 nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

void TstZDeviceEmulator::replyDelay()
{
    m_emu->setReplyDelay(100);
    const qint64 sent = nowUs();
    QCOMPARE(value(m_port.transact(readRequest(18))), le32(1200500));
    QVERIFY(nowUs() - sent >= 100000);
    m_emu->setReplyDelay(0);
    const qint64 again = nowUs();
    QVERIFY(!m_port.transact(readRequest(18)).isEmpty());
    QVERIFY(nowUs() - again < 90000);
}

void TstZDeviceEmulator::splitReply()
{
    m_emu->setSplitReply(true, 80);
    const qint64 sent = nowUs();
    m_port.send(readRequest(StatusNumber));
    // The first half, as soon as it shows; the second follows 80 ms after it.
    QByteArray first;
    QElapsedTimer clock;
    clock.start();
    while (first.isEmpty() && clock.elapsed() < 1000)
        QVERIFY(m_port.receive(5, &first).isEmpty());
    QVERIFY2(first.size() > 50 && first.size() < 160, qPrintable(QString::number(first.size())));
    QByteArray rest;
    m_port.receive(1000, &rest);
    QVERIFY(nowUs() - sent >= 80000);
    QByteArray frame;
    QVERIFY(ZFastProtocolHendler::findFrame(frame, first + rest));
    QCOMPARE(value(frame).size(), StatusLength);
}

// At 115200 8N2 a byte takes 11 bits, 95.5 us: the 11-byte status request counts as received
// only after 1.05 ms, and the reply of at least 218 bytes needs 20.8 ms more, written byte by
// byte rather than in one burst.
void TstZDeviceEmulator::pacing()
{
    const double byteUs = 11 * 1e6 / 115200;
    m_emu->setPacing(true, 115200, 8, 0, 2);
    const qint64 sent = nowUs();
    QCOMPARE(value(m_port.transact(readRequest(StatusNumber), 2000)).size(), StatusLength);
    // A lower bound only: a reader kept off the processor sees bytes late, never early. It holds
    // only when both the request and the reply take their wire time.
    const qint64 took = nowUs() - sent;
    QVERIFY2(took >= qint64((11 + 218) * byteUs), qPrintable(QString::number(took)));

    // 9600 baud 8E1, 11 bits a byte as well: an 11-byte request and a 15-byte reply.
    m_emu->setPacing(true, 9600, 8, 2, 1);
    const qint64 slow = nowUs();
    QVERIFY(!m_port.transact(readRequest(18)).isEmpty());
    const qint64 slowUs = nowUs() - slow;
    QVERIFY2(slowUs >= qint64((11 + 15) * 11 * 1e6 / 9600), qPrintable(QString::number(slowUs)));
}

void TstZDeviceEmulator::hangUp()
{
    const QString link = m_emu->portPath();
    QVERIFY(!m_port.transact(readRequest(18)).isEmpty());

    m_emu->hangUp(200);
    // The open port sees the hang-up at once, and the link is gone while the line is down.
    pollfd p = {m_port.fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 500), 1);
    QVERIFY(p.revents & POLLHUP);
    QVERIFY(!QFileInfo::exists(link));
    m_port.close();

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link), 10000);
    QVERIFY(QFileInfo(link).symLinkTarget().startsWith(QLatin1String("/dev/pts/")));
    QCOMPARE(QFileInfo(link).symLinkTarget(), m_emu->slavePath());
    QVERIFY(m_port.open(link));
    QCOMPARE(value(m_port.transact(readRequest(18))), le32(1200500));
}

// A port closed before its reply came must not find that reply waiting when it is opened again.
void TstZDeviceEmulator::noStaleReplyAfterReopen()
{
    m_emu->setReplyDelay(80);
    m_port.send(readRequest(StatusNumber));
    m_port.close();
    QTRY_COMPARE_WITH_TIMEOUT(m_emu->repliesLost(), quint64(1), 3000);
    QVERIFY(m_port.open(m_emu->portPath()));
    QByteArray raw;
    m_port.receive(100, &raw);
    QCOMPARE(raw.toHex(' '), QByteArray());
    m_emu->setReplyDelay(0);
    QCOMPARE(value(m_port.transact(readRequest(18))), le32(1200500));
}

void TstZDeviceEmulator::startFailures()
{
    ZDeviceEmulator noDatabase(m_dir->filePath(QStringLiteral("missing.ddb")));
    QVERIFY(!noDatabase.start());
    QVERIFY(!noDatabase.errorString().isEmpty());

    // A link path taken by a regular file is not replaced.
    const QString file = m_dir->filePath(QStringLiteral("plain"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    ZDeviceEmulator second(QStringLiteral(TARN_DB_PATH));
    QVERIFY(!second.start(file));
    QVERIFY(second.errorString().contains(file));
    QVERIFY(QFileInfo(file).isFile() && !QFileInfo(file).isSymLink());

    // An existing link is taken over; stopping removes it only while it is still ours.
    const QString link = m_emu->portPath();
    QVERIFY(second.start(link));
    QCOMPARE(QFileInfo(link).symLinkTarget(), second.slavePath());
    m_emu->stop();
    QVERIFY(QFileInfo::exists(link));
    second.stop();
    QVERIFY(!QFileInfo(link).isSymLink());
}

namespace {

// tarn-emulator as a child process, started with posix_spawn rather than QProcess: QProcess's
// helper thread has races of its own that ThreadSanitizer reports.
struct EmulatorProcess
{
    pid_t pid = -1;
    int output = -1; // the child's standard output
    QByteArray printed;

    bool start(const QList<QByteArray> &options)
    {
        QList<QByteArray> args = {TARN_BIN_DIR "/tarn-emulator", "--db", TARN_DB_PATH};
        args << options;
        QVector<char *> argv;
        for (const QByteArray &arg : args)
            argv << const_cast<char *>(arg.constData());
        argv << nullptr;
        int out[2];
        if (::pipe(out) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output = out[0];
        return spawned == 0;
    }
    ~EmulatorProcess()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (output >= 0)
            ::close(output);
    }

    // Reads what the program prints until a whole line is in (or, with untilLine false, until
    // it closes its output), at most `timeoutMs`.
    void read(int timeoutMs, bool untilLine)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs && !(untilLine && printed.contains('\n'))) {
            pollfd p = {output, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char chunk[512];
            const ssize_t n = ::read(output, chunk, sizeof chunk);
            if (n <= 0)
                break;
            printed.append(chunk, int(n));
        }
    }

    // SIGTERM, then the exit status; -1 unless the program exited by itself.
    int terminate()
    {
        ::kill(pid, SIGTERM);
        int status = -1;
        const pid_t ended = ::waitpid(pid, &status, 0);
        pid = -1;
        return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

} // namespace

void TstZDeviceEmulator::executable()
{
    const QString link = m_dir->filePath(QStringLiteral("ttyExe"));
    EmulatorProcess emulator;
    QVERIFY(emulator.start({"--link", QFile::encodeName(link), "--quiet", "--error-code", "4",
                            "--error-count", "1"}));
    emulator.read(5000, true);
    QCOMPARE(QString::fromLocal8Bit(emulator.printed).trimmed(), QStringLiteral("tarn-emulator: serving on ") + link);

    Port port;
    QVERIFY(port.open(link));
    QCOMPARE(replyBody(port.transact(readRequest(18))), QByteArray::fromHex("00ff0a04"));
    QCOMPARE(value(port.transact(readRequest(18))), le32(1200500));
    port.close();

    emulator.printed.clear();
    QCOMPARE(emulator.terminate(), 0);
    emulator.read(5000, false); // what it printed on its way out stays in the pipe
    const QString summary = QString::fromLocal8Bit(emulator.printed).trimmed();
    QVERIFY2(summary.startsWith(QLatin1String("tarn-emulator: received 2 requests, sent 2 replies")), qPrintable(summary));
    QVERIFY(!QFileInfo(link).isSymLink());
}

// A service manager may stop the emulator at any moment, from the first statement of main() to
// the moment its link appears: it still ends cleanly and leaves no link behind.
void TstZDeviceEmulator::terminatedTheMomentItServes()
{
    const QString link = m_dir->filePath(QStringLiteral("ttyShort"));
    for (int round = 0; round < 20; ++round) {
        EmulatorProcess emulator;
        QVERIFY(emulator.start({"--link", QFile::encodeName(link), "--quiet"}));
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo(link).isSymLink() && clock.elapsed() < 10000)
            ::usleep(200);
        QVERIFY2(QFileInfo(link).isSymLink(), qPrintable(QString("round %1").arg(round)));
        QCOMPARE(emulator.terminate(), 0);
        QVERIFY2(!QFileInfo(link).isSymLink(), qPrintable(QString("round %1").arg(round)));
    }

    // And the moment its main() has begun, before its watcher is in place: the signal waits for
    // the watcher. That moment is short; runs in which the test looked too late are repeated.
    bool seenBlocked = false;
    for (int attempt = 0; attempt < 50 && !seenBlocked; ++attempt) {
        EmulatorProcess emulator;
        QVERIFY(emulator.start({"--link", QFile::encodeName(link), "--quiet"}));
        seenBlocked = ProcStatus::waitForTermination(emulator.pid) == ProcStatus::Termination::Blocked;
        QCOMPARE(emulator.terminate(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
    QVERIFY2(seenBlocked, "SIGTERM was never seen blocked before the emulator caught it");
}

#ifdef TARN_TSAN
// The test library's watchdog is a QThread that waits on a QWaitCondition which the main
// thread wakes and destroys at exit; Qt's internal locking there is invisible to
// ThreadSanitizer. The emulator itself uses no Qt threading, so nothing of ours is hidden.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QWaitCondition::~QWaitCondition\n"
           "race:libQt5Test.so\n";
}
#endif

QTEST_GUILESS_MAIN(TstZDeviceEmulator)
#include "tst_zdeviceemulator.moc"
