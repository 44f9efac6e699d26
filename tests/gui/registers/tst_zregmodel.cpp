// The register table model, the value editor and its validators.

#include <QFont>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QtTest>

#include <memory>

#include "testregister.h"
#include "transaction.h"
#include "uintvalidator.h"
#include "zdevicefactory.h"
#include "zdoublevalidator.h"
#include "zregdelegate.h"
#include "zregmodel.h"
#include "ztarnvex.h"

Q_DECLARE_METATYPE(QValidator::State)

namespace {

ZRegister tableRegister(int rw, int type, int state, const QVariant &value, const QByteArray &raw,
                        const QString &errorText = QString())
{
    ZRegister reg = makeRegister(40, type, 4);
    reg.setRw(rw);
    reg.setState(state);
    reg.setValue(value);
    reg.setRawData(raw);
    reg.setErrorText(errorText);
    return reg;
}

} // namespace

class TestZRegModel : public QObject
{
    Q_OBJECT

private slots:
    void valueColumn_data();
    void valueColumn();
    void accessAndTypeTexts_data();
    void accessAndTypeTexts();
    void onlyTheValueIsEditable();
    void setDataWrites_data();
    void setDataWrites();
    void editorByRegister_data();
    void editorByRegister();
    void editorText_data();
    void editorText();
    void integerValidator_data();
    void integerValidator();
    void floatValidator_data();
    void floatValidator();
};

void TestZRegModel::valueColumn_data()
{
    QTest::addColumn<int>("rw");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("state");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QVariant>("shown");
    QTest::addColumn<QVariant>("edited");
    QTest::addColumn<QColor>("background"); // invalid: none
    QTest::addColumn<QString>("font");

    const QColor none;
    const QColor yellow(255, 253, 214), green(214, 255, 214), red(254, 103, 76), cyan(196, 248, 243);
    const QVariant v7(7u);
    QTest::newRow("write-only, read") << int(WriteOnly) << int(TypeInt) << int(StateRead) << v7 << QByteArray()
                                      << QVariant("Только запись") << v7 << yellow << "italic";
    QTest::newRow("nothing yet") << int(ReadWrite) << int(TypeInt) << int(StateNone) << QVariant() << QByteArray()
                                 << QVariant("--") << QVariant() << none << "italic";
    QTest::newRow("read") << int(ReadOnly) << int(TypeInt) << int(StateRead) << v7 << QByteArray()
                          << v7 << v7 << green << "normal";
    QTest::newRow("written") << int(ReadWrite) << int(TypeString) << int(StateWritten) << QVariant("TARN") << QByteArray()
                             << QVariant("TARN") << QVariant("TARN") << none << "italic";
    QTest::newRow("failed") << int(ReadWrite) << int(TypeInt) << int(StateFailed) << v7 << QByteArray()
                            << QVariant("Нет ответа от устройства") << v7 << red << "italic";
    QTest::newRow("device error") << int(ReadWrite) << int(TypeInt) << int(StateDeviceError) << v7 << QByteArray()
                                  << QVariant("Устройство ответило ошибкой") << v7 << red << "italic";
    QTest::newRow("echoed") << int(ReadWrite) << int(TypeInt) << int(StateEchoed) << v7 << QByteArray()
                            << QVariant("Подтверждение...") << v7 << yellow << "italic";
    QTest::newRow("confirmed") << int(ReadWrite) << int(TypeFloat) << int(StateConfirmed) << QVariant(1.5f) << QByteArray()
                               << QVariant(1.5f) << QVariant(1.5f) << cyan << "bold";
    QTest::newRow("unconfirmed") << int(ReadWrite) << int(TypeInt) << int(StateUnconfirmed) << v7 << QByteArray()
                                 << QVariant("Ошибка подтверждения") << v7 << red << "italic";
    QTest::newRow("data 01 a0") << int(ReadWrite) << int(TypeData) << int(StateRead) << QVariant(QByteArray("\x01\xa0"))
                                << QByteArray("\x01\xa0") << QVariant("01$a0") << QVariant("01$a0") << green << "normal";
    QTest::newRow("status") << int(ReadOnly) << int(TypeStatus) << int(StateFailed) << QVariant() << QByteArray("\x05\xff")
                            << QVariant("Нет ответа от устройства") << QVariant("05$ff") << red << "italic";
}

void TestZRegModel::valueColumn()
{
    QFETCH(int, rw);
    QFETCH(int, type);
    QFETCH(int, state);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, raw);
    QFETCH(QVariant, shown);
    QFETCH(QVariant, edited);
    QFETCH(QColor, background);
    QFETCH(QString, font);

    RegisterTable table{tableRegister(rw, type, state, value, raw, QStringLiteral("Нет ответа от устройства"))};
    ZRegModel model;
    model.setRegisters(&table);
    const QModelIndex cell = model.index(0, ZRegModel::ColumnValue);
    QCOMPARE(cell.data(Qt::DisplayRole), shown);
    QCOMPARE(cell.data(Qt::EditRole), edited);
    for (int column = 0; column < ZRegModel::ColumnCount; ++column) {
        const QVariant brush = model.index(0, column).data(Qt::BackgroundRole);
        QCOMPARE(brush.isValid(), background.isValid());
        if (background.isValid())
            QCOMPARE(brush.value<QBrush>().color(), background);
    }
    const QFont f = cell.data(Qt::FontRole).value<QFont>();
    QCOMPARE(f.italic(), font == QLatin1String("italic"));
    QCOMPARE(f.weight(), font == QLatin1String("bold") ? 75 : int(QFont::Normal));
    QVERIFY(!model.index(0, ZRegModel::ColumnDescription).data(Qt::FontRole).isValid());
}

void TestZRegModel::accessAndTypeTexts_data()
{
    QTest::addColumn<int>("rw");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("access");
    QTest::addColumn<QVariant>("typeText");

    QTest::newRow("read-write int") << 0 << 0 << "Чтение и запись" << QVariant("Целое");
    QTest::newRow("read-only float") << 1 << 1 << "Только чтение" << QVariant("Вещественное");
    QTest::newRow("write-only data") << 2 << 2 << "Только запись" << QVariant("Данные");
    QTest::newRow("unknown access, string") << 9 << 3 << "Неизвестный параметр 9" << QVariant("Строка");
    QTest::newRow("status") << 1 << 4 << "Только чтение" << QVariant("Данные");
    QTest::newRow("unknown type") << 0 << 7 << "Чтение и запись" << QVariant();
}

void TestZRegModel::accessAndTypeTexts()
{
    QFETCH(int, rw);
    QFETCH(int, type);
    QFETCH(QString, access);
    QFETCH(QVariant, typeText);

    RegisterTable table{tableRegister(rw, type, StateNone, QVariant(), QByteArray())};
    ZRegModel model;
    model.setRegisters(&table);
    QCOMPARE(model.index(0, ZRegModel::ColumnAccess).data().toString(), access);
    QCOMPARE(model.index(0, ZRegModel::ColumnAccess).data(Qt::UserRole).toInt(), rw);
    QCOMPARE(model.index(0, ZRegModel::ColumnType).data(), typeText);
    QCOMPARE(model.index(0, ZRegModel::ColumnType).data(Qt::UserRole).toInt(), type);
}

void TestZRegModel::onlyTheValueIsEditable()
{
    RegisterTable table{tableRegister(ReadOnly, TypeInt, StateRead, 1, QByteArray())};
    ZRegModel model;
    model.setRegisters(&table);
    for (int column = 0; column < ZRegModel::ColumnCount; ++column)
        QCOMPARE(bool(model.flags(model.index(0, column)) & Qt::ItemIsEditable),
                 column == ZRegModel::ColumnValue);
    QVERIFY(!model.headerData(0, Qt::Vertical, Qt::DisplayRole).isValid());
    QCOMPARE(model.headerData(ZRegModel::ColumnValue, Qt::Horizontal).toString(), QStringLiteral("Значение"));
    QCOMPARE(model.headerData(ZRegModel::ColumnPurpose, Qt::Horizontal).toString(), QStringLiteral("Назначение"));
}

// A stopped device refuses every write with paketWriteFail, which shows whether the model asked.
void TestZRegModel::setDataWrites_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("writes");

    QTest::newRow("same integer") << 18 << QVariant(70500u) << "70500" << false;
    QTest::newRow("other integer") << 18 << QVariant(70500u) << "71000" << true;
    QTest::newRow("same float") << 15 << QVariant(-60.0f) << "-60" << false;
    QTest::newRow("other float") << 15 << QVariant(-60.0f) << "-60.5" << true;
    QTest::newRow("same text") << 30 << QVariant("TARN-1") << "TARN-1" << false;
    QTest::newRow("read-only register") << 2 << QVariant(519) << "7" << false;
}

void TestZRegModel::setDataWrites()
{
    QFETCH(int, number);
    QFETCH(QVariant, value);
    QFETCH(QString, typed);
    QFETCH(bool, writes);

    std::unique_ptr<ZTarnVex> device = ZDeviceFactory::createTarnVex(QStringLiteral(TARN_DB_PATH));
    RegisterTable *table = device->registers();
    int row = 0;
    while (row < table->size() && (*table)[row].number() != QVariant(number))
        ++row;
    QVERIFY(row < table->size());
    (*table)[row].setValue(value);
    (*table)[row].setState(StateRead);
    ZRegModel model;
    model.setRegisters(table);
    model.setDevice(device.get());
    QSignalSpy asked(device.get(), &ZAbstractDevice::paketWriteFail);

    QVERIFY(model.setData(model.index(row, ZRegModel::ColumnValue), QVariant(typed), Qt::EditRole));
    QCOMPARE(asked.count(), writes ? 1 : 0);
    if (writes)
        QCOMPARE(asked.first().first(), QVariant(number));
}

void TestZRegModel::editorByRegister_data()
{
    QTest::addColumn<int>("rw");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("validator");
    QTest::addColumn<bool>("readOnly");

    QTest::newRow("int") << int(ReadWrite) << int(TypeInt) << "UintValidator" << false;
    QTest::newRow("float") << int(ReadWrite) << int(TypeFloat) << "ZDoubleValidator" << false;
    QTest::newRow("string") << int(WriteOnly) << int(TypeString) << "" << false;
    QTest::newRow("data") << int(ReadWrite) << int(TypeData) << "" << true;
    QTest::newRow("read-only int") << int(ReadOnly) << int(TypeInt) << "UintValidator" << true;
}

void TestZRegModel::editorByRegister()
{
    QFETCH(int, rw);
    QFETCH(int, type);
    QFETCH(QString, validator);
    QFETCH(bool, readOnly);

    RegisterTable table{tableRegister(rw, type, StateNone, QVariant(), QByteArray())};
    ZRegModel model;
    model.setRegisters(&table);
    ZRegDelegate delegate;
    QWidget parent;
    auto *edit = qobject_cast<QLineEdit *>(
        delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, ZRegModel::ColumnValue)));
    QVERIFY(edit);
    QCOMPARE(edit->isReadOnly(), readOnly);
    QCOMPARE(edit->validator() ? QString(edit->validator()->metaObject()->className()) : QString(), validator);
}

void TestZRegModel::editorText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("pi") << QVariant(3.14159265f) << "3.14159";
    QTest::newRow("large") << QVariant(123456.7f) << "123457";
    QTest::newRow("small") << QVariant(1.5e-7f) << "1.5e-07";
    QTest::newRow("one tenth") << QVariant(0.1f) << "0.1";
    QTest::newRow("unsigned") << QVariant(4294967295u) << "4294967295";
    QTest::newRow("text") << QVariant("TARN-1") << "TARN-1";
}

void TestZRegModel::editorText()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QCOMPARE(ZRegDelegate::editorText(value), text);
}

void TestZRegModel::integerValidator_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QValidator::State>("state");

    QTest::newRow("empty") << "" << QValidator::Intermediate;
    QTest::newRow("zero") << "0" << QValidator::Acceptable;
    QTest::newRow("2147483648") << "2147483648" << QValidator::Acceptable;
    QTest::newRow("4294967295") << "4294967295" << QValidator::Acceptable;
    QTest::newRow("4294967296") << "4294967296" << QValidator::Invalid;
    QTest::newRow("twenty digits") << "99999999999999999999" << QValidator::Invalid;
    QTest::newRow("minus sign") << "-" << QValidator::Invalid;
    QTest::newRow("negative") << "-1" << QValidator::Invalid;
    QTest::newRow("letters") << "12a" << QValidator::Invalid;
    QTest::newRow("point") << "1.5" << QValidator::Invalid;
}

void TestZRegModel::integerValidator()
{
    QFETCH(QString, input);
    QFETCH(QValidator::State, state);

    UintValidator validator;
    int pos = input.size();
    QCOMPARE(validator.validate(input, pos), state);

    QString empty;
    validator.fixup(empty);
    QCOMPARE(empty, QStringLiteral("0"));
    UintValidator narrow(10, 20);
    QString tooSmall = QStringLiteral("5");
    QCOMPARE(narrow.validate(tooSmall, pos), QValidator::Invalid);
    narrow.fixup(empty = QString());
    QCOMPARE(empty, QStringLiteral("10"));
}

void TestZRegModel::floatValidator_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QValidator::State>("state");
    QTest::addColumn<QString>("number");

    QTest::newRow("point") << "1.5" << QValidator::Acceptable << "1.5";
    QTest::newRow("comma") << "1,5" << QValidator::Acceptable << "1.5";
    QTest::newRow("word comma") << "1comma5" << QValidator::Acceptable << "1.5";
    QTest::newRow("negative with exponent") << "-2,25e3" << QValidator::Acceptable << "-2.25e3";
    QTest::newRow("word comma on its way") << "1comm" << QValidator::Intermediate << "1comm";
    QTest::newRow("not a word separator") << "1cx" << QValidator::Invalid << "1cx";
    QTest::newRow("two separators") << "1,5.5" << QValidator::Invalid << "1.5.5";
    QTest::newRow("letters") << "abc" << QValidator::Invalid << "abc";
}

// In a locale whose decimal point is a comma, as on the operators' machines.
void TestZRegModel::floatValidator()
{
    QFETCH(QString, input);
    QFETCH(QValidator::State, state);
    QFETCH(QString, number);

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    ZDoubleValidator validator;
    QLocale::setDefault(before);
    QCOMPARE(validator.locale().decimalPoint(), QLatin1Char(','));

    const QString typed = input;
    int pos = input.size();
    QCOMPARE(validator.validate(input, pos), state);
    QCOMPARE(input, typed);
    QCOMPARE(validator.numberText(input), number);
    // The register's value conversion reads what is committed.
    bool converts = false;
    QVariant(number).toFloat(&converts);
    QCOMPARE(converts, state == QValidator::Acceptable);
}

QTEST_MAIN(TestZRegModel)
#include "tst_zregmodel.moc"
