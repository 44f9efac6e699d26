// Conversions between register values and the bytes the device stores, and the table helpers.

#include <QTextCodec>
#include <QtTest>

#include "zregister.h"
#include "zvaluecodec.h"

namespace {

ZRegister makeRegister(int type, int length)
{
    ZRegister reg;
    if (type >= 0)
        reg.setProperty(ZRegister::PropType, type);
    if (length >= 0)
        reg.setProperty(ZRegister::PropLength, length);
    return reg;
}

} // namespace

class TestZValueCodec : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The device's code page must not hang on the process's locale.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    }

    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void stringRoundTrip();
    void tableHelpers();
};

void TestZValueCodec::decode_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("int 1 byte unsigned") << int(TypeInt) << 1 << QByteArray("\xFF", 1) << QVariant(255);
    QTest::newRow("int 2 bytes") << int(TypeInt) << 2 << QByteArray("\x34\x12", 2) << QVariant(4660);
    QTest::newRow("int 2 bytes not negative") << int(TypeInt) << 2 << QByteArray("\xFF\xFF", 2) << QVariant(65535);
    QTest::newRow("int 4 bytes unsigned") << int(TypeInt) << 4 << QByteArray("\xFF\xFF\xFF\xFF", 4)
                                          << QVariant(4294967295u);
    QTest::newRow("int 4 bytes missing") << int(TypeInt) << 4 << QByteArray("\x01\x02", 2) << QVariant(0u);
    QTest::newRow("int 2 bytes missing") << int(TypeInt) << 2 << QByteArray("\x01", 1) << QVariant(0);
    QTest::newRow("no type, no length: 4-byte int") << -1 << -1 << QByteArray("\x01\x00\x00\x01", 4)
                                                    << QVariant(16777217u);
    QTest::newRow("float 1.5") << int(TypeFloat) << 4 << QByteArray("\x00\x00\xC0\x3F", 4) << QVariant(1.5f);
    QTest::newRow("float short") << int(TypeFloat) << 4 << QByteArray("\x00", 1) << QVariant(0.0f);
    QTest::newRow("string up to zero") << int(TypeString) << 4 << QByteArray("AB\0C", 4) << QVariant(QString("AB"));
    QTest::newRow("string without zero") << int(TypeString) << 3 << QByteArray("xyz") << QVariant(QString("xyz"));
    QTest::newRow("string cp1251") << int(TypeString) << 4 << QByteArray("\xD2\xC0\xD0\xCD", 4)
                                   << QVariant(QStringLiteral("ТАРН"));
    QTest::newRow("data unchanged") << int(TypeData) << 2 << QByteArray("\x00\xFE\x07", 3)
                                    << QVariant(QByteArray("\x00\xFE\x07", 3));
    QTest::newRow("status unchanged") << int(TypeStatus) << 2 << QByteArray("\x81", 1)
                                      << QVariant(QByteArray("\x81", 1));
}

void TestZValueCodec::decode()
{
    QFETCH(int, type);
    QFETCH(int, length);
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, expected);
    const QVariant value = ZValueCodec::decode(makeRegister(type, length), bytes);
    QCOMPARE(value.userType(), expected.userType());
    QCOMPARE(value, expected);
}

void TestZValueCodec::encode_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("length");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("int -1 in 1 byte") << int(TypeInt) << 1 << QVariant(-1) << true << QByteArray("\xFF", 1);
    QTest::newRow("int 1000 in 2 bytes") << int(TypeInt) << 2 << QVariant(1000) << true << QByteArray("\xE8\x03", 2);
    QTest::newRow("int 2 bytes truncates") << int(TypeInt) << 2 << QVariant(0x12345) << true << QByteArray("\x45\x23", 2);
    QTest::newRow("int text") << int(TypeInt) << 2 << QVariant("258") << true << QByteArray("\x02\x01", 2);
    QTest::newRow("int not a number") << int(TypeInt) << 2 << QVariant("abc") << false << QByteArray();
    QTest::newRow("int 4 bytes max unsigned") << int(TypeInt) << 4 << QVariant(4294967295u) << true
                                              << QByteArray("\xFF\xFF\xFF\xFF", 4);
    QTest::newRow("int 4 bytes above signed range") << int(TypeInt) << 4 << QVariant(qlonglong(3000000000LL)) << true
                                                    << QByteArray("\x00\x5E\xD0\xB2", 4);
    QTest::newRow("int 4 bytes as text") << int(TypeInt) << 4 << QVariant("4294967295") << true
                                         << QByteArray("\xFF\xFF\xFF\xFF", 4);
    QTest::newRow("int 4 bytes min signed") << int(TypeInt) << 4 << QVariant(qlonglong(-2147483648LL)) << true
                                            << QByteArray("\x00\x00\x00\x80", 4);
    QTest::newRow("int 4 bytes too large") << int(TypeInt) << 4 << QVariant(qlonglong(4294967296LL)) << false
                                           << QByteArray();
    QTest::newRow("int 4 bytes too small") << int(TypeInt) << 4 << QVariant(qlonglong(-2147483649LL)) << false
                                           << QByteArray();
    QTest::newRow("float 1.5") << int(TypeFloat) << 4 << QVariant(1.5) << true << QByteArray("\x00\x00\xC0\x3F", 4);
    QTest::newRow("float text") << int(TypeFloat) << 4 << QVariant("-2") << true << QByteArray("\x00\x00\x00\xC0", 4);
    QTest::newRow("float bad") << int(TypeFloat) << 4 << QVariant("x") << false << QByteArray();
    QTest::newRow("string padded") << int(TypeString) << 4 << QVariant("x") << true << QByteArray("x\0\0\0", 4);
    QTest::newRow("string exact length") << int(TypeString) << 2 << QVariant("ab") << true << QByteArray("ab");
    QTest::newRow("string length no frame carries") << int(TypeString) << 0x7FFFFFF0 << QVariant("ab") << false
                                                    << QByteArray();
    QTest::newRow("string cyrillic") << int(TypeString) << 5 << QVariant(QStringLiteral("ТАРН")) << true
                                     << QByteArray("\xD2\xC0\xD0\xCD\0", 5);
    QTest::newRow("string too long") << int(TypeString) << 2 << QVariant("abc") << false << QByteArray();
    QTest::newRow("string not encodable") << int(TypeString) << 8 << QVariant(QStringLiteral("日本")) << false
                                          << QByteArray();
    QTest::newRow("data unchanged") << int(TypeData) << 1 << QVariant(QByteArray("\x01\x02", 2)) << true
                                    << QByteArray("\x01\x02", 2);
}

void TestZValueCodec::encode()
{
    QFETCH(int, type);
    QFETCH(int, length);
    QFETCH(QVariant, value);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);
    bool encoded = !ok;
    QCOMPARE(ZValueCodec::encode(makeRegister(type, length), value, &encoded), bytes);
    QCOMPARE(encoded, ok);
}

void TestZValueCodec::stringRoundTrip()
{
    // What a string register accepts must read back as the same text.
    const ZRegister reg = makeRegister(TypeString, 16);
    for (const QString &text : {QStringLiteral("Позывной-1"), QStringLiteral(""), QStringLiteral("0123456789abcdef")}) {
        bool ok = false;
        const QByteArray bytes = ZValueCodec::encode(reg, text, &ok);
        QVERIFY(ok);
        QCOMPARE(bytes.size(), 16);
        QCOMPARE(ZValueCodec::decode(reg, bytes).toString(), text);
    }
    // And a 4-byte value read back can be written back unchanged.
    const ZRegister wide = makeRegister(TypeInt, 4);
    const QByteArray raw("\xFE\xFF\xFF\xFF", 4);
    bool ok = false;
    QCOMPARE(ZValueCodec::encode(wide, ZValueCodec::decode(wide, raw), &ok), raw);
    QVERIFY(ok);
}

void TestZValueCodec::tableHelpers()
{
    RegisterTable table;
    for (int i = 0; i < 4; ++i) {
        ZRegister reg;
        reg.setNumber(i < 3 ? i : 1);
        reg.setPurpose(i % 2 ? "b" : "a");
        reg.setProperty(ZRegister::PropDescription, QString::number(i));
        table.append(reg);
    }
    QCOMPARE(findRegister(&table, 1), &table[1]); // first of two sharing a number
    QVERIFY(!findRegister(&table, 7));
    QCOMPARE(purposeList(&table), (QStringList{"a", "b"}));

    ZRegister reg;
    QVERIFY(!reg.property(ZRegister::PropLength).isValid());
    reg.setProperty(ZRegister::PropLength, 2);
    reg.setProperty(ZRegister::PropLength, 4);
    QCOMPARE(reg.properties().size(), 1);
    QCOMPARE(reg.length(), 4);
}

QTEST_GUILESS_MAIN(TestZValueCodec)
#include "tst_zvaluecodec.moc"
