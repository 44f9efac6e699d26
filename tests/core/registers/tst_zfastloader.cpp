// The register database loader against real SQLite files written by the test.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "zfastloader.h"

namespace {

// Writes `statements` into a fresh SQLite file and returns its path.
QString makeDatabase(const QTemporaryDir &dir, const QString &name, const QStringList &statements)
{
    const QString path = dir.filePath(name);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot create %s", qPrintable(path));
        QSqlQuery q(db);
        for (const QString &s : statements) {
            if (!q.exec(s))
                qFatal("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    return path;
}

const QString CreateRegs = QStringLiteral(
    "CREATE TABLE regs (num, len, rw TEXT, type TEXT, purp TEXT, desc TEXT)");

QString row(const QString &values)
{
    return QStringLiteral("INSERT INTO regs VALUES (%1)").arg(values);
}

QString loadError(const QString &path, RegisterTable *table)
{
    try {
        loadRegisters(table, path);
    } catch (const ZFastLoaderException &e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

} // namespace

class TestZFastLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void defects_data();
    void defects();
    void boundsAreInclusive();
    void missingPaths();
    void loadsRowsInNumberOrder();
    void typesAndAccessModes_data();
    void typesAndAccessModes();
    void statusRegisterMissingAfterLoad();
    void twoLoadsInOneRun();
    void shippedDatabase();

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestZFastLoader::defects_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("message");

    const QString status = row("1, 207, 'R', 'status', 'Статус', 'x'");
    QTest::newRow("lower-case rw, position in num order")
        << QStringList{row("9, 2, 'rw', 'int', 'a', 'b'"), status, row("5, 2, 'R', 'int', '', ''")}
        << QStringLiteral("Ошибка признака чтения/записи регистра : строка 3");
    QTest::newRow("rw with blanks")
        << QStringList{status, row("2, 2, ' R', 'int', '', ''")}
        << QStringLiteral("Ошибка признака чтения/записи регистра : строка 2");
    QTest::newRow("empty rw")
        << QStringList{status, row("2, 2, '', 'int', '', ''")}
        << QStringLiteral("Ошибка признака чтения/записи регистра : строка 2");
    QTest::newRow("null num stops before later bad rows")
        << QStringList{row("NULL, 2, 'R', 'int', '', ''"), row("7, 'x', 'bad', 'int', '', ''"), status}
        << QStringLiteral("Ошибка номера регистра : строка 1");
    QTest::newRow("num not a number")
        << QStringList{status, row("'abc', 2, 'R', 'int', '', ''")}
        << QStringLiteral("Ошибка номера регистра : строка 2");
    QTest::newRow("len not a number")
        << QStringList{status, row("3, 'two', 'R', 'int', '', ''")}
        << QStringLiteral("Ошибка длины регистра : строка 2");
    // Each would otherwise load as something else: 65537 and -1 as registers 1 and 65535,
    // 2.5 as 3, 1e300 as 0, 4294967297 as 1.
    const QStringList badNumbers{"65537", "-1", "2.5", "1e300", "4294967297", "'12abc'"};
    for (const QString &num : badNumbers)
        QTest::newRow(qPrintable("num " + num))
            << QStringList{status, row(num + ", 2, 'R', 'int', '', ''")}
            << QStringLiteral("Ошибка номера регистра : строка %1").arg(num == "-1" ? 1 : 2);
    // No frame carries more than 248 value bytes; a length of 2^31 once aborted a write.
    for (const QString len : {"0", "249", "4294967299", "2.5", "2147483648"})
        QTest::newRow(qPrintable("len " + len))
            << QStringList{status, row("3, " + len + ", 'R', 'string', '', ''")}
            << QStringLiteral("Ошибка длины регистра : строка 2");
    QTest::newRow("null len")
        << QStringList{row("3, NULL, 'R', 'int', '', ''"), status}
        << QStringLiteral("Ошибка длины регистра : строка 2");
    QTest::newRow("no rows")
        << QStringList{}
        << QStringLiteral("База данных регистров не содержит корректных записей");
    // The duplicate is reported only after every row converted, so a bad row after the
    // duplicates wins.
    QTest::newRow("duplicate then bad row")
        << QStringList{status, row("5, 2, 'R', 'int', '', ''"), row("5, 2, 'R', 'int', '', ''"),
                       row("6, 2, 'X', 'int', '', ''")}
        << QStringLiteral("Ошибка признака чтения/записи регистра : строка 4");
    QTest::newRow("duplicates")
        << QStringList{status, row("5, 2, 'R', 'int', '', ''"), row("5, 4, 'RW', 'float', '', ''")}
        << QStringLiteral("База данных регистров содержит дублирующие номера");
    QTest::newRow("number stored as text duplicates a number")
        << QStringList{status, row("5, 2, 'R', 'int', '', ''"), row("'5', 4, 'RW', 'float', '', ''")}
        << QStringLiteral("База данных регистров содержит дублирующие номера");
    QTest::newRow("no status row")
        << QStringList{row("2, 2, 'R', 'int', '', ''"), row("3, 4, 'RW', 'Status', '', ''")}
        << QStringLiteral("База данных регистров не содержит статусного регистра");
}

void TestZFastLoader::defects()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, message);
    QStringList statements{CreateRegs};
    statements += rows;
    const QString path = makeDatabase(m_dir, QStringLiteral("d%1.ddb").arg(m_files++), statements);

    RegisterTable table;
    table.append(ZRegister()); // emptied on entry, and stays empty on failure
    QCOMPARE(loadError(path, &table), message);
    QVERIFY(table.isEmpty());
    QVERIFY(!QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)));
}

void TestZFastLoader::boundsAreInclusive()
{
    const QString path = makeDatabase(m_dir, QStringLiteral("bounds.ddb"),
        {CreateRegs, row("0, 1, 'R', 'int', '', ''"), row("65535.0, 248, 'R', 'status', '', ''"),
         row("'7', '4', 'RW', 'int', '', ''")});
    RegisterTable table;
    QCOMPARE(loadError(path, &table), QString());
    QCOMPARE(table.size(), 3);
    QCOMPARE(table.at(1).number(), QVariant(65535));
    QCOMPARE(table.at(1).length(), 248);
    QCOMPARE(table.at(2).number(), QVariant(7)); // text sorts after numbers
}

void TestZFastLoader::missingPaths()
{
    RegisterTable table;
    QCOMPARE(loadError(m_dir.filePath("absent.ddb"), &table),
             QStringLiteral("Файл базы данных не существует"));
    QCOMPARE(loadError(m_dir.path(), &table), QStringLiteral("Файл базы данных не существует"));

    // A file that is not a database, and a database without the table, fail on the query.
    QFile junk(m_dir.filePath("junk.ddb"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("this is not an SQLite file, just text long enough to be read as a header....");
    junk.close();
    QVERIFY(loadError(junk.fileName(), &table).startsWith(QStringLiteral("Ошибка SQL запроса : ")));

    const QString noTable = makeDatabase(m_dir, "notable.ddb", {"CREATE TABLE other (x)"});
    const QString error = loadError(noTable, &table);
    QVERIFY2(error.startsWith(QStringLiteral("Ошибка SQL запроса : ")), qPrintable(error));
    QVERIFY(error.contains("regs"));
    QVERIFY(table.isEmpty());
}

void TestZFastLoader::loadsRowsInNumberOrder()
{
    const QString path = makeDatabase(m_dir, "order.ddb", {
        QStringLiteral("CREATE TABLE regs (extra, desc TEXT, purp TEXT, type TEXT, rw TEXT, len, num)"),
        QStringLiteral("INSERT INTO regs VALUES (1, 'Частота', 'Настройка', 'int', 'RW', 4, 18)"),
        QStringLiteral("INSERT INTO regs VALUES (2, NULL, NULL, 'status', 'R', '207', 1)"),
        QStringLiteral("INSERT INTO regs VALUES (3, 'Ключ', 'Сервис', 'int', 'W', 1, 3)"),
    });
    RegisterTable table;
    QCOMPARE(loadError(path, &table), QString());
    QCOMPARE(table.size(), 3);
    QCOMPARE(table[0].number(), QVariant(1));
    QCOMPARE(table[0].number().userType(), int(QMetaType::Int));
    QCOMPARE(table[0].property(ZRegister::PropLength), QVariant(207));
    QCOMPARE(table[0].purpose(), QString());
    QCOMPARE(table[0].property(ZRegister::PropDescription), QVariant(QString()));
    QCOMPARE(table[1].number(), QVariant(3));
    QCOMPARE(table[2].number(), QVariant(18));
    QCOMPARE(table[2].purpose(), QStringLiteral("Настройка"));
    QCOMPARE(table[2].property(ZRegister::PropDescription).toString(), QStringLiteral("Частота"));
    QCOMPARE(findStatusRegister(&table), &table[0]);
    QCOMPARE(purposeList(&table), (QStringList{QString(), "Сервис", "Настройка"}));
}

void TestZFastLoader::typesAndAccessModes_data()
{
    QTest::addColumn<QString>("rw");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("expectedRw");
    QTest::addColumn<int>("expectedType");

    QTest::newRow("RW int") << "RW" << "int" << int(ReadWrite) << int(TypeInt);
    QTest::newRow("R float") << "R" << "float" << int(ReadOnly) << int(TypeFloat);
    QTest::newRow("W string") << "W" << "string" << int(WriteOnly) << int(TypeString);
    QTest::newRow("Float is raw data") << "RW" << "Float" << int(ReadWrite) << int(TypeData);
    QTest::newRow("empty type is raw data") << "RW" << "" << int(ReadWrite) << int(TypeData);
    QTest::newRow("data") << "R" << "data" << int(ReadOnly) << int(TypeData);
}

void TestZFastLoader::typesAndAccessModes()
{
    QFETCH(QString, rw);
    QFETCH(QString, type);
    QFETCH(int, expectedRw);
    QFETCH(int, expectedType);
    const QString path = makeDatabase(m_dir, QStringLiteral("t%1.ddb").arg(m_files++), {
        CreateRegs, row("1, 10, 'R', 'status', '', ''"),
        row(QStringLiteral("2, 4, '%1', '%2', 'p', 'd'").arg(rw, type))});
    RegisterTable table;
    QCOMPARE(loadError(path, &table), QString());
    QCOMPARE(table.size(), 2);
    QCOMPARE(table[1].rw(), expectedRw);
    QCOMPARE(table[1].property(ZRegister::PropType), QVariant(expectedType));
    QCOMPARE(table[1].state(), 0);
}

void TestZFastLoader::statusRegisterMissingAfterLoad()
{
    RegisterTable table;
    ZRegister reg;
    reg.setNumber(1);
    reg.setProperty(ZRegister::PropType, int(TypeData));
    table.append(reg);
    try {
        findStatusRegister(&table);
        QFAIL("no exception");
    } catch (const ZFastLoaderException &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Статусный регистр не найден"));
    }
}

void TestZFastLoader::twoLoadsInOneRun()
{
    const QString path = makeDatabase(m_dir, "twice.ddb", {
        CreateRegs, row("1, 10, 'R', 'status', '', ''"), row("2, 2, 'R', 'int', '', ''")});
    for (int pass = 0; pass < 2; ++pass) {
        RegisterTable table;
        QCOMPARE(loadError(path, &table), QString());
        QCOMPARE(table.size(), 2);
        QVERIFY(!QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)));
    }
    // A failed load in between leaves nothing behind that spoils the next one.
    RegisterTable table;
    QVERIFY(!loadError(m_dir.filePath("absent.ddb"), &table).isEmpty());
    QCOMPARE(loadError(path, &table), QString());
    QCOMPARE(table.size(), 2);
}

void TestZFastLoader::shippedDatabase()
{
    RegisterTable table;
    QCOMPARE(loadError(QStringLiteral(TARN_DB_PATH), &table), QString());
    const ZRegister *status = findStatusRegister(&table);
    QCOMPARE(status->number(), QVariant(1));
    QCOMPARE(status->length(), 159 + 48);
    // Nothing but the status register has a purpose starting with the status purpose.
    for (const ZRegister &reg : qAsConst(table)) {
        if (&reg != status)
            QVERIFY(!reg.purpose().startsWith(status->purpose()));
    }
    QSet<int> types, modes;
    for (const ZRegister &reg : qAsConst(table)) {
        types.insert(reg.type());
        modes.insert(reg.rw());
    }
    QCOMPARE(types.size(), 5);
    QCOMPARE(modes.size(), 3);
    for (int n : {3, 9, 15, 18, 79, 65530, 65531, 65535})
        QVERIFY2(findRegister(&table, n), qPrintable(QString::number(n)));
    QCOMPARE(findRegister(&table, 15)->type(), int(TypeFloat));
    QCOMPARE(findRegister(&table, 18)->type(), int(TypeInt));
    QCOMPARE(findRegister(&table, 18)->length(), 4);
    QVERIFY(purposeList(&table).size() >= 4);
}

QTEST_GUILESS_MAIN(TestZFastLoader)
#include "tst_zfastloader.moc"
