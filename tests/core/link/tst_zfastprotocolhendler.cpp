// Frames of the fast protocol: building, cutting out of a byte stream and checking responses.

#include <QRandomGenerator>
#include <QtTest>

#include "testbytes.h"
#include "testregister.h"
#include "zfastprotocolhendler.h"

using TestBytes::cut;
using TestBytes::replyBody;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

class TestZFastProtocolHendler : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void workedResponses();
    void parseResults_data();
    void parseResults();
    void valueBytesUntouchedOnFailure();
    void lengthCheckOff();
    void receiverAddressCheck();
    void extract_data();
    void extract();
    void byteByByteStream();
    void longFramesCarryCorrectCrc();
    void malformedFramesNeverCrash();
};

void TestZFastProtocolHendler::requests_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("length");
    QTest::addColumn<QVariant>("value"); // invalid: a read request
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("read register 1") << 1 << int(TypeInt) << 2 << QVariant()
                                     << hex("FE FE FF 00 03 01 00 F4 95 FC FC");
    QTest::newRow("read register 252, stuffed number") << 252 << int(TypeInt) << 2 << QVariant()
                                                       << hex("FE FE FF 00 03 FC 00 00 B4 05 FC FC");
    QTest::newRow("write 1000 to register 2") << 2 << int(TypeInt) << 2 << QVariant(1000)
                                              << hex("FE FE FF 00 05 02 00 E8 03 00 EA FC FC");
    QTest::newRow("write FE FC data, stuffed value") << 31 << int(TypeData) << 2
                                                     << QVariant(hex("FE FC"))
                                                     << ZFastProtocolHendler::makeFrame(hex("FF 00 05 1F 00 FE FC"));
    QTest::newRow("number truncated to 16 bits") << 0x10001 << int(TypeInt) << 2 << QVariant()
                                                 << hex("FE FE FF 00 03 01 00 F4 95 FC FC");
}

void TestZFastProtocolHendler::requests()
{
    QFETCH(int, number);
    QFETCH(int, type);
    QFETCH(int, length);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, frame);
    ZFastProtocolHendler handler;
    const ZRegister reg = makeRegister(number, type, length);
    if (!value.isValid()) {
        QCOMPARE(handler.buildReadRequest(reg, 1), frame);
    } else {
        bool ok = false;
        QCOMPARE(handler.buildWriteRequest(reg, value, &ok, 1), frame);
        QVERIFY(ok);
    }
}

void TestZFastProtocolHendler::workedResponses()
{
    ZFastProtocolHendler handler;
    const ZRegister reg = makeRegister(1, TypeInt, 2);

    const QByteArray response = hex("FE FE 00 FF 04 01 00 34 12 BE A2 FC FC");
    QCOMPARE(ZFastProtocolHendler::makeFrame(replyBody(0x04, 1, hex("34 12"))), response);
    QByteArray frame;
    QVERIFY(handler.extractFrame(frame, response));
    QCOMPARE(frame, cut(response));
    QByteArray value;
    QCOMPARE(handler.parseResponse(value, frame, reg, 1), 0);
    QCOMPARE(value, hex("34 12"));
    QCOMPARE(handler.decodeValue(reg, value), QVariant(4660));
    QCOMPARE(handler.lastError(), QStringLiteral("Нет ошибок"));

    const QByteArray error = hex("FE FE 00 FF 0A 02 8B 40 FC FC");
    QVERIFY(handler.extractFrame(frame, error));
    QCOMPARE(handler.parseResponse(value, frame, reg, 1), 7);
    QCOMPARE(handler.lastError(),
             QStringLiteral("Чтение регистра невозможно, либо регистр не найден. Ответ ошибкой 2"));

    // A stuffed CRC: find a register whose response CRC holds FE or FC and check both ways.
    int stuffedCrcs = 0;
    for (int n = 0; n < 2000 && stuffedCrcs < 4; ++n) {
        QByteArray plain = QByteArray(2, char(0xFE)) + replyBody(0x04, quint16(n), hex("00 00"));
        const quint16 crc = ZFastProtocolHendler::crc16(plain);
        const quint8 lo = crc & 0xFF, hi = crc >> 8;
        if (lo != 0xFE && lo != 0xFC && hi != 0xFE && hi != 0xFC)
            continue;
        ++stuffedCrcs;
        const QByteArray stuffed = ZFastProtocolHendler::makeFrame(replyBody(0x04, quint16(n), hex("00 00")));
        QVERIFY(stuffed.size() > plain.size() + 4);
        QVERIFY(handler.extractFrame(frame, stuffed));
        QCOMPARE(handler.parseResponse(value, frame, makeRegister(n, TypeInt, 2), 1), 0);
    }
    QCOMPARE(stuffedCrcs, 4);
}

void TestZFastProtocolHendler::parseResults_data()
{
    QTest::addColumn<QByteArray>("stuffed");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");

    using P = ZFastProtocolHendler;
    QByteArray badCrc = P::makeFrame(replyBody(0x04, 1, hex("34 12")));
    badCrc[badCrc.size() - 3] = char(badCrc.at(badCrc.size() - 3) ^ 0x01);

    QTest::newRow("bad crc") << badCrc << 1 << 1 << "Bad CRC";
    QTest::newRow("sender") << P::makeFrame(hex("07 FF 04 01 00 34 12")) << 1 << 2
                            << "Ошибка адреса отправителя. Ожидание 0, приянт 7";
    QTest::newRow("read answered as write") << P::makeFrame(replyBody(0x06, 1, hex("34 12"))) << 1 << 4
                                            << "Ошибка байта команды. Ожидание 3, приянт 5";
    QTest::newRow("write answered as read") << P::makeFrame(replyBody(0x04, 1, hex("34 12"))) << 3 << 4
                                            << "Ошибка байта команды. Ожидание 5, приянт 3";
    QTest::newRow("write kind 2") << P::makeFrame(replyBody(0x06, 1, hex("34 12"))) << 2 << 0 << "Нет ошибок";
    QTest::newRow("read-back kind 4") << P::makeFrame(replyBody(0x04, 1, hex("34 12"))) << 4 << 0 << "Нет ошибок";
    QTest::newRow("status kind 0") << P::makeFrame(replyBody(0x04, 1, hex("34 12"))) << 0 << 0 << "Нет ошибок";
    QTest::newRow("command 0 wraps to 255") << P::makeFrame(replyBody(0x00, 1, hex("34 12"))) << 1 << 4
                                            << "Ошибка байта команды. Ожидание 3, приянт 255";
    QTest::newRow("register number") << P::makeFrame(replyBody(0x04, 0xFF02, hex("34 12"))) << 1 << 5
                                     << "Ошибка номера регистра. Ожидание 1, приянт 65282";
    QTest::newRow("length") << P::makeFrame(replyBody(0x04, 1, hex("34"))) << 1 << 6
                            << "Ошибка длины регистра. Ожидание 2, приянт 1";
    QTest::newRow("error 3") << P::makeFrame(hex("00 FF 0A 03")) << 2 << 8
                             << "Запись регистра невозможна, либо регистр не найден. Ответ ошибкой 3";
    QTest::newRow("error 4") << P::makeFrame(hex("00 FF 0A 04")) << 1 << 9
                             << "Неудачная попытка чтения. Ответ ошибкой 4";
    QTest::newRow("error 5") << P::makeFrame(hex("00 FF 0A 05")) << 1 << 10
                             << "Неудачная попытка записи. Ответ ошибкой 5";
    QTest::newRow("error 6") << P::makeFrame(hex("00 FF 0A 06")) << 3 << 11
                             << "Неверное количество байтов значения регистра. Ответ ошибкой 6";
    QTest::newRow("error 99") << P::makeFrame(hex("00 FF 0A 63")) << 1 << 12
                              << "Незивестная ошибка. Ответ ошибкой 99";
    QTest::newRow("error code missing") << P::makeFrame(hex("00 FF 0A")) << 1 << 12
                                        << "Незивестная ошибка. Ответ ошибкой 0";
    // The error response is recognised before the command is compared with the request.
    QTest::newRow("error answers a write") << P::makeFrame(hex("00 FF 0A 02")) << 3 << 7
                                           << "Чтение регистра невозможно, либо регистр не найден. Ответ ошибкой 2";
    QTest::newRow("body too short for a command") << P::makeFrame(hex("00 FF")) << 1 << 4
                                                  << "Ошибка байта команды. Ожидание 3, приянт 255";
    QTest::newRow("empty body") << P::makeFrame(QByteArray()) << 1 << 4
                                << "Ошибка байта команды. Ожидание 3, приянт 255";
    // Register 0 would match the zeros a missing number reads as: still no valid answer.
    QTest::newRow("body without register number") << P::makeFrame(hex("00 FF 04")) << 1 << 5
                                                  << "Ошибка номера регистра. Ожидание 1, приянт 0";
    QTest::newRow("body with half a number") << P::makeFrame(hex("00 FF 04 01")) << 1 << 5
                                             << "Ошибка номера регистра. Ожидание 1, приянт 1";
}

void TestZFastProtocolHendler::parseResults()
{
    QFETCH(QByteArray, stuffed);
    QFETCH(int, kind);
    QFETCH(int, result);
    QFETCH(QString, message);
    ZFastProtocolHendler handler;
    QByteArray frame;
    QVERIFY(handler.extractFrame(frame, stuffed));
    QByteArray value;
    QCOMPARE(handler.parseResponse(value, frame, makeRegister(1, TypeInt, 2), kind), result);
    QCOMPARE(handler.lastError(), message);
}

void TestZFastProtocolHendler::valueBytesUntouchedOnFailure()
{
    ZFastProtocolHendler handler;
    const QByteArray frame = cut(ZFastProtocolHendler::makeFrame(replyBody(0x04, 2, hex("34 12"))));
    QByteArray value("keep");
    QCOMPARE(handler.parseResponse(value, frame, makeRegister(1, TypeInt, 2), 1), 5);
    QCOMPARE(value, QByteArray("keep"));

    // Zero-length register: a short body with a number of 0 must not pass either.
    const QByteArray empty = cut(ZFastProtocolHendler::makeFrame(hex("00 FF 04")));
    QCOMPARE(handler.parseResponse(value, empty, makeRegister(0, TypeData, 0), 1), 5);
    QCOMPARE(value, QByteArray("keep"));
}

void TestZFastProtocolHendler::lengthCheckOff()
{
    ZFastProtocolHendler handler;
    const QByteArray frame = cut(ZFastProtocolHendler::makeFrame(replyBody(0x04, 1, hex("01 02 03"))));
    QByteArray value;
    QCOMPARE(handler.parseResponse(value, frame, makeRegister(1, TypeInt, 2), 1), 6);
    handler.setLengthCheckOff(true);
    QCOMPARE(handler.parseResponse(value, frame, makeRegister(1, TypeInt, 2), 1), 0);
    QCOMPARE(value, hex("01 02 03"));
}

void TestZFastProtocolHendler::receiverAddressCheck()
{
    ZFastProtocolHendler handler;
    const QByteArray toOther = cut(ZFastProtocolHendler::makeFrame(hex("00 05 04 01 00 34 12")));
    QByteArray value;
    // Host address FF: the receiver is not compared.
    QCOMPARE(handler.parseResponse(value, toOther, makeRegister(1, TypeInt, 2), 1), 0);
    handler.setHostAddress(char(0x06));
    QCOMPARE(handler.parseResponse(value, toOther, makeRegister(1, TypeInt, 2), 1), 3);
    QCOMPARE(handler.lastError(), QStringLiteral("Ошибка адреса получателя. Ожидание 6, приянт 5"));
    handler.setDeviceAddress(char(0xC8));
    QCOMPARE(handler.parseResponse(value, toOther, makeRegister(1, TypeInt, 2), 1), 2);
    QCOMPARE(handler.lastError(), QStringLiteral("Ошибка адреса отправителя. Ожидание 200, приянт 0"));
    // Requests carry the configured addresses.
    QCOMPARE(handler.buildReadRequest(makeRegister(1, TypeInt, 2), 1).mid(2, 2), hex("06 C8"));
}

void TestZFastProtocolHendler::extract_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("frame");

    const QByteArray reply = hex("FE FE 00 FF 04 01 00 34 12 BE A2 FC FC");
    QTest::newRow("clean") << reply << true << cut(reply);
    QTest::newRow("noise before") << hex("00 13 FC FE 55") + reply << true << cut(reply);
    QTest::newRow("noise with end pair before") << hex("FC FC 11") + reply << true << cut(reply);
    // Noise that looks like a start byte joins the reply's own start bytes.
    for (const char *noise : {"FE", "FE FE", "FE FC", "00 FE", "FE FE FE"})
        QTest::newRow(qPrintable(QStringLiteral("start-like noise %1").arg(QLatin1String(noise))))
            << hex(noise) + reply << true << cut(reply);
    // A line full of start bytes is gone through once, not once per start pair.
    QTest::newRow("64 KiB of start bytes") << QByteArray(65536, char(0xFE)) + reply << true << cut(reply);
    const QByteArray fromFe = ZFastProtocolHendler::makeFrame(hex("FE FF 04 01 00 34 12"));
    QTest::newRow("stuffed FE sender after noise") << hex("FE") + fromFe << true << cut(fromFe);
    const QByteArray broken = hex("FE FE 00 FF 04 01 00 34 12 BE A3 FC FC");
    QTest::newRow("bad CRC handed on for the parser") << hex("FE") + broken << true
                                                      << cut(hex("FE") + broken);
    QTest::newRow("trailing bytes ignored") << reply + hex("FE FE 01") << true << cut(reply);
    QTest::newRow("no end") << reply.left(reply.size() - 2) << false << QByteArray();
    QTest::newRow("half an end") << reply.left(reply.size() - 1) << false << QByteArray();
    QTest::newRow("no start") << hex("00 FF 04 FC FC") << false << QByteArray();
    QTest::newRow("empty") << QByteArray() << false << QByteArray();
}

void TestZFastProtocolHendler::extract()
{
    QFETCH(QByteArray, received);
    QFETCH(bool, found);
    QFETCH(QByteArray, frame);
    ZFastProtocolHendler handler;
    QByteArray out("stale");
    QCOMPARE(handler.extractFrame(out, received), found);
    QCOMPARE(out, frame);
}

void TestZFastProtocolHendler::byteByByteStream()
{
    // The worker asks after every burst; a frame appears only once its end pair has arrived.
    ZFastProtocolHendler handler;
    const QByteArray reply = ZFastProtocolHendler::makeFrame(replyBody(0x04, 252, hex("FE FC")));
    const QByteArray stream = hex("FC 00 13") + reply;
    QByteArray received, frame;
    for (int i = 0; i < stream.size(); ++i) {
        received.append(stream.at(i));
        const bool complete = handler.extractFrame(frame, received);
        QCOMPARE(complete, i == stream.size() - 1);
    }
    QByteArray value;
    QCOMPARE(handler.parseResponse(value, frame, makeRegister(252, TypeData, 2), 1), 0);
    QCOMPARE(value, hex("FE FC"));
}

void TestZFastProtocolHendler::longFramesCarryCorrectCrc()
{
    // The status register is longer than 255 bytes on some devices: the CRC covers it all.
    ZFastProtocolHendler handler;
    QByteArray payload(400, '\0');
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 7);
    const ZRegister reg = makeRegister(1, TypeStatus, payload.size());
    const QByteArray stuffed = ZFastProtocolHendler::makeFrame(replyBody(0x04, 1, payload));
    QByteArray frame, value;
    QVERIFY(handler.extractFrame(frame, stuffed));
    QCOMPARE(handler.parseResponse(value, frame, reg, 0), 0);
    QCOMPARE(value, payload);

    QByteArray corrupted = frame;
    corrupted[300] = char(corrupted.at(300) ^ 0x10);
    if (quint8(corrupted.at(300)) != 0xFE && quint8(corrupted.at(300)) != 0xFC)
        QCOMPARE(handler.parseResponse(value, corrupted, reg, 0), 1);
}

void TestZFastProtocolHendler::malformedFramesNeverCrash()
{
    // Truncations, stuffing at the very end, random bytes: every call must return a result
    // code without reading or writing out of bounds (the sanitizer build checks the latter).
    ZFastProtocolHendler handler;
    const ZRegister reg = makeRegister(1, TypeInt, 2);
    const QByteArray good = ZFastProtocolHendler::makeFrame(replyBody(0x04, 1, hex("FE 12")));
    QByteArray value;
    for (int len = 0; len <= good.size(); ++len) {
        const int r = handler.parseResponse(value, good.left(len), reg, 1);
        QVERIFY(r >= 0 && r <= 12);
    }
    for (const char *text : {"FE FE FE", "FE FE FC", "FE FE 00 FF 04 FE", "FE FE FC FC FC", "FE", ""}) {
        const int r = handler.parseResponse(value, hex(text), reg, 1);
        QVERIFY(r >= 1 && r <= 12);
    }
    QRandomGenerator rng(20261208);
    for (int round = 0; round < 20000; ++round) {
        QByteArray junk(int(rng.bounded(40)), '\0');
        for (char &c : junk)
            c = char(rng.bounded(256));
        if (rng.bounded(2))
            junk.prepend(hex("FE FE"));
        QByteArray frame;
        if (handler.extractFrame(frame, junk + hex("FC FC")))
            QVERIFY(handler.parseResponse(value, frame, reg, int(rng.bounded(5))) <= 12);
        QVERIFY(handler.parseResponse(value, junk, reg, 1) <= 12);
    }
}

QTEST_GUILESS_MAIN(TestZFastProtocolHendler)
#include "tst_zfastprotocolhendler.moc"
