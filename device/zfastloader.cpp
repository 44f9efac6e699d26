#include "zfastloader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString trLoader(const char *text)
{
    return QCoreApplication::translate("ZFastLoader", text);
}

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
        fail(trLoader("Ошибка загрузки драйвера базы данных"));
    db.setDatabaseName(path);
    if (!db.open())
        fail(trLoader("Ошибка содинения базы данных"));

    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM regs ORDER BY num")))
        fail(trLoader("Ошибка SQL запроса : %1").arg(query.lastError().text()));

    int row = 1;
    while (query.next()) {
        ZRegister reg;
        const QVariant num = column(query, "num");
        bool ok = false;
        const int number = num.isNull() ? 0 : num.toInt(&ok);
        if (!ok)
            fail(trLoader("Ошибка номера регистра : строка %1").arg(row));
        reg.setNumber(number);

        const QVariant len = column(query, "len");
        ok = false;
        const int length = len.isNull() ? 0 : len.toInt(&ok);
        if (!ok)
            fail(trLoader("Ошибка длины регистра : строка %1").arg(row));
        reg.setProperty(ZRegister::PropLength, length);

        const int rw = accessMode(column(query, "rw").toString(), &ok);
        if (!ok)
            fail(trLoader("Ошибка признака чтения/записи регистра : строка %1").arg(row));
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
        fail(trLoader("Файл базы данных не существует"));
    if (!QSqlDatabase::drivers().contains(QStringLiteral("QSQLITE")))
        fail(trLoader("Не найден драйвер базы данных"));

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
        fail(trLoader("База данных регистров не содержит корректных записей"));

    for (const ZRegister &reg : qAsConst(registers)) {
        int count = 0;
        for (const ZRegister &other : qAsConst(registers)) {
            if (other.number() == reg.number())
                ++count;
        }
        if (count != 1)
            fail(trLoader("База данных регистров содержит дублирующие номера"));
    }

    bool hasStatus = false;
    for (const ZRegister &reg : qAsConst(registers)) {
        if (reg.type() == TypeStatus) {
            hasStatus = true;
            break;
        }
    }
    if (!hasStatus)
        fail(trLoader("База данных регистров не содержит статусного регистра"));

    table->append(registers);
}

ZRegister *findStatusRegister(RegisterTable *table)
{
    for (ZRegister &reg : *table) {
        if (reg.type() == TypeStatus)
            return &reg;
    }
    fail(trLoader("Статусный регистр не найден"));
}
