#include "zfastloader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSet>

#include <cmath>

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw ZFastLoaderException(message);
}

// The column's value, or an invalid variant when the result has no such column.
QVariant column(const QSqlQuery &query, const char *name)
{
    const int index = query.record().indexOf(QLatin1String(name));
    return index < 0 ? QVariant() : query.value(index);
}

// The value as an integer in lo..hi. Numbers stored as text are accepted as they always were;
// a real must be a whole number. Qt's own conversions would turn 2.5 into 3, 1e300 into 0 and
// 4294967297 into 1, so each kind of value is checked before it is converted.
bool boundedInteger(const QVariant &value, qint64 lo, qint64 hi, int *out)
{
    if (value.isNull())
        return false;
    qint64 v = 0;
    switch (value.userType()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d) || std::trunc(d) != d || d < double(lo) || d > double(hi))
            return false;
        v = qint64(d);
        break;
    }
    case QMetaType::ULongLong: {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(hi))
            return false;
        v = qint64(u);
        break;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        bool ok = false;
        v = value.toString().trimmed().toLongLong(&ok);
        if (!ok)
            return false;
        break;
    }
    default: {
        bool ok = false;
        v = value.toLongLong(&ok);
        if (!ok)
            return false;
        break;
    }
    }
    if (v < lo || v > hi)
        return false;
    *out = int(v);
    return true;
}

int accessMode(const QString &text, bool *ok)
{
    *ok = true;
    if (text == QLatin1String("RW"))
        return ReadWrite;
    if (text == QLatin1String("R"))
        return ReadOnly;
    if (text == QLatin1String("W"))
        return WriteOnly;
    *ok = false;
    return ReadWrite;
}

int valueType(const QString &text)
{
    if (text == QLatin1String("int"))
        return TypeInt;
    if (text == QLatin1String("float"))
        return TypeFloat;
    if (text == QLatin1String("string"))
        return TypeString;
    if (text == QLatin1String("status"))
        return TypeStatus;
    return TypeData;
}

// Reads every row of "regs" into `registers`; the database handle and the query live only in
// this scope so that the connection can be removed afterwards.
void readRows(const QString &path, QList<ZRegister> *registers)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    if (!db.isValid())
        fail(QCoreApplication::translate("ZFastLoader", "Ошибка загрузки драйвера базы данных"));
    db.setDatabaseName(path);
    if (!db.open())
        fail(QCoreApplication::translate("ZFastLoader", "Ошибка содинения базы данных"));

    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM regs ORDER BY num")))
        fail(QCoreApplication::translate("ZFastLoader", "Ошибка SQL запроса : %1").arg(query.lastError().text()));

    int row = 1;
    while (query.next()) {
        ZRegister reg;
        // A number outside 16 bits would reach the wire as another register (65537 as 1).
        int number = 0;
        if (!boundedInteger(column(query, "num"), 0, MaxRegisterNumber, &number))
            fail(QCoreApplication::translate("ZFastLoader", "Ошибка номера регистра : строка %1").arg(row));
        reg.setNumber(number);

        int length = 0;
        if (!boundedInteger(column(query, "len"), 1, MaxRegisterLength, &length))
            fail(QCoreApplication::translate("ZFastLoader", "Ошибка длины регистра : строка %1").arg(row));
        reg.setProperty(ZRegister::PropLength, length);

        bool ok = false;
        const int rw = accessMode(column(query, "rw").toString(), &ok);
        if (!ok)
            fail(QCoreApplication::translate("ZFastLoader", "Ошибка признака чтения/записи регистра : строка %1").arg(row));
        reg.setRw(rw);

        reg.setProperty(ZRegister::PropType, valueType(column(query, "type").toString()));
        reg.setPurpose(column(query, "purp").toString());
        reg.setProperty(ZRegister::PropDescription, column(query, "desc").toString());
        registers->append(reg);
        ++row;
    }
}

} // namespace

void loadRegisters(RegisterTable *table, const QString &path)
{
    table->clear();

    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        fail(QCoreApplication::translate("ZFastLoader", "Файл базы данных не существует"));
    if (!QSqlDatabase::drivers().contains(QStringLiteral("QSQLITE")))
        fail(QCoreApplication::translate("ZFastLoader", "Не найден драйвер базы данных"));

    QList<ZRegister> registers;
    QString failure;
    try {
        readRows(path, &registers);
    } catch (const ZFastLoaderException &e) {
        failure = QString::fromUtf8(e.what());
    }
    // Remove the connection on every path, so that no handle outlives the call.
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    if (!failure.isEmpty())
        fail(failure);

    if (registers.isEmpty())
        fail(QCoreApplication::translate("ZFastLoader", "База данных регистров не содержит корректных записей"));

    QSet<int> numbers;
    numbers.reserve(registers.size());
    for (const ZRegister &reg : qAsConst(registers)) {
        const int number = reg.number().toInt();
        if (numbers.contains(number))
            fail(QCoreApplication::translate("ZFastLoader", "База данных регистров содержит дублирующие номера"));
        numbers.insert(number);
    }

    bool hasStatus = false;
    for (const ZRegister &reg : qAsConst(registers)) {
        if (reg.type() == TypeStatus) {
            hasStatus = true;
            break;
        }
    }
    if (!hasStatus)
        fail(QCoreApplication::translate("ZFastLoader", "База данных регистров не содержит статусного регистра"));

    table->append(registers);
}

ZRegister *findStatusRegister(RegisterTable *table)
{
    for (ZRegister &reg : *table) {
        if (reg.type() == TypeStatus)
            return &reg;
    }
    fail(QCoreApplication::translate("ZFastLoader", "Статусный регистр не найден"));
}
