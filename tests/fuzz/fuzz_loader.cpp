// The register database loader on generated databases. The input becomes a small SQLite file
// whose table "regs" holds rows of values of every SQLite type (integers small, negative and
// beyond 32 bits, reals, texts, blobs, NULL); the loader must either load it whole, consistent,
// or refuse it with ZFastLoaderException. Any other exception, or a crash, is a fault.
//
// Input: byte 0 picks the layout (0xFF: the rest is the file itself; 0xFE: a directory in place
// of the file); bits 0..1 otherwise pick the table: typed columns as shipped, untyped columns,
// one column missing (bits 4..7 say which), one column more; bit 2 gives the table another name.
// Byte 1 is the row count (0..8); then per row and column a kind byte (low nibble the kind, high
// nibble its parameter) followed by the bytes that kind consumes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include "zfastloader.h"
#include "zregister.h"

namespace {

const QString WriterConnection = QStringLiteral("fuzzwriter");

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_loader: %s\n", what);
        std::abort();
    }
}

// The input as a stream; past its end every byte reads as zero.
class Reader
{
public:
    Reader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    QByteArray bytes(int n)
    {
        QByteArray out;
        for (int i = 0; i < n && m_pos < m_size; ++i)
            out.append(char(m_data[m_pos++]));
        return out;
    }
    qint64 integer(int width)
    {
        quint64 v = 0;
        for (int i = 0; i < width; ++i)
            v |= quint64(byte()) << (8 * i);
        // Sign-extended from the top byte read.
        const int shift = 64 - 8 * width;
        return qint64(v << shift) >> shift;
    }
    QByteArray rest() { return bytes(int(m_size - m_pos)); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

const char *const Words[] = {
    "RW", "R", "W", "rw", "r", "int", "float", "string", "status", "data", "", " 1", "12",
    "1e3", "0x10", "207abc", "-5", "4294967297", "2.5", "Статус", "NULL",
};

// One column's value; a null variant of a given type binds SQL NULL.
QVariant value(Reader &in)
{
    // Low nibble: the kind; high nibble: its parameter.
    const uint8_t kind = in.byte();
    switch (kind & 0x0F) {
    case 0:
        return QVariant(QVariant::LongLong);
    case 2:
        return in.integer(1);
    case 3:
        return in.integer(2);
    case 4:
        return in.integer(4);
    case 5: {
        static const qlonglong huge[] = {4294967297LL, 2147483648LL, -2147483649LL, 65536,
                                         std::numeric_limits<qint64>::max(),
                                         std::numeric_limits<qint64>::min(), 207, 1};
        return huge[(kind >> 4) % 8];
    }
    case 6: {
        static const double reals[] = {2.5, 1e300, -0.0, -1e300, 0.5, 207.0, 1e-300,
                                       std::numeric_limits<double>::infinity(), -3.75, 2147483648.5};
        return reals[(kind >> 4) % 10];
    }
    case 7:
        return QString::fromUtf8(Words[in.byte() % (sizeof Words / sizeof Words[0])]);
    case 8:
        // Text of the input's own bytes, valid UTF-8 or not.
        return QString::fromUtf8(in.bytes(kind >> 4));
    case 9:
        return in.bytes(kind >> 4); // blob
    default:
        return qlonglong(kind >> 4); // the everyday small numbers, 0..15
    }
}

// Writes the database and returns the number of rows in "regs" (-1 without such a table).
int writeDatabase(const QString &path, Reader &in, uint8_t layout)
{
    static const QStringList columns = {QStringLiteral("num"), QStringLiteral("len"),
                                        QStringLiteral("rw"),  QStringLiteral("type"),
                                        QStringLiteral("purp"), QStringLiteral("desc")};
    static const QStringList typed = {QStringLiteral("INTEGER"), QStringLiteral("INTEGER"),
                                      QStringLiteral("TEXT"), QStringLiteral("TEXT"),
                                      QStringLiteral("TEXT"), QStringLiteral("TEXT")};
    QStringList definition;
    for (int i = 0; i < columns.size(); ++i)
        definition << ((layout & 0x03) == 0 ? columns[i] + QLatin1Char(' ') + typed[i] : columns[i]);
    if ((layout & 0x03) == 2)
        definition.removeAt((layout >> 4) % definition.size());
    else if ((layout & 0x03) == 3)
        definition << QStringLiteral("extra");
    const bool named = !(layout & 0x04);
    const QString table = named ? QStringLiteral("regs") : QStringLiteral("registers");

    const int rows = in.byte() % 9;
    int written = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), WriterConnection);
        db.setDatabaseName(path);
        check(db.open(), "cannot create the database file");
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA journal_mode=OFF"));
        q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        check(q.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(table, definition.join(QLatin1Char(',')))),
              "cannot create the table");
        QStringList marks;
        for (int i = 0; i < definition.size(); ++i)
            marks << QStringLiteral("?");
        check(q.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(QLatin1Char(',')))),
              "cannot prepare the insert");
        for (int r = 0; r < rows; ++r) {
            for (int i = 0; i < definition.size(); ++i)
                q.addBindValue(value(in));
            check(q.exec(), "cannot insert a row");
            ++written;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(WriterConnection);
    return named ? written : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_loader";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
    // A memory-backed file system where there is one: the file is written for every input.
    static QTemporaryDir *dir = new QTemporaryDir(
        QFileInfo(QStringLiteral("/dev/shm")).isWritable()
            ? QStringLiteral("/dev/shm/fuzz_loader-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/fuzz_loader-XXXXXX"));
    check(dir->isValid(), "no temporary directory");
    const QString path = dir->filePath(QStringLiteral("regs.ddb"));
    QFile::remove(path);

    Reader in(data, size);
    const uint8_t layout = in.byte();
    int rows = -1;
    QString loadPath = path;
    if (layout == 0xFF) {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly), "cannot write the database file");
        file.write(in.rest());
    } else if (layout == 0xFE) {
        loadPath = dir->path();
    } else {
        rows = writeDatabase(path, in, layout);
    }

    RegisterTable table;
    try {
        loadRegisters(&table, loadPath);
    } catch (const ZFastLoaderException &) {
        check(table.isEmpty(), "refused database left registers behind");
        return 0;
    }

    // Loaded: every row, numbers that fit the wire's 16 bits and unique, lengths one frame can
    // carry, a status register among them.
    check(!table.isEmpty(), "empty table accepted");
    check(rows < 0 || table.size() == rows, "rows lost or made up");
    for (int i = 0; i < table.size(); ++i) {
        const QVariant number = table[i].number();
        check(number.userType() == QMetaType::Int && number.toInt() >= 0
                  && number.toInt() <= MaxRegisterNumber,
              "register number out of range");
        check(table[i].length() >= 1 && table[i].length() <= MaxRegisterLength,
              "register length out of range");
        for (int j = i + 1; j < table.size(); ++j)
            check(table[i].number() != table[j].number(), "duplicate register numbers");
    }
    try {
        check(findStatusRegister(&table) != nullptr, "no status register");
    } catch (const ZFastLoaderException &) {
        check(false, "loaded table without status register");
    }
    return 0;
}
