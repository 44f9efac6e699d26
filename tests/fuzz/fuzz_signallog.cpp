// A day of the signal log as the viewer reads it: whatever the file holds, every complete line
// is counted once, as a sample or as damaged, the next read starts after the last complete one,
// and the result does not depend on the size of the chunks read nor on whether the file was read
// whole or followed as it grew.

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "zsignallogfile.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void write(const QString &path, const char *data, int size)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(data, size) == size);
}

qint64 samples(const ZSignalLogFile::Result &result)
{
    qint64 count = 0;
    for (double power : result.powers)
        count += std::isnan(power) ? 0 : 1;
    return count;
}

bool same(const QVector<double> &a, const QVector<double> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (!(a.at(i) == b.at(i) || (std::isnan(a.at(i)) && std::isnan(b.at(i)))))
            return false;
    }
    return true;
}

// A folder in memory when the machine has one: the target writes its file three times an input.
const QString &dayPath()
{
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/fuzz-signallog-XXXXXX")
                                                       : QDir::tempPath() + QStringLiteral("/fuzz-signallog-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("2026-12-10"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QString &path = dayPath();
    write(path, bytes.constData(), bytes.size());

    // Chunks longer than the longest line kept whole, as the viewer's are.
    const ZSignalLogFile::Result whole = ZSignalLogFile(path, 1 << 17).read();
    check(whole.error.isEmpty() && !whole.replaced && !whole.cancelled);
    check(whole.lines == bytes.count('\n'));
    check(whole.end == bytes.lastIndexOf('\n') + 1);
    check(whole.head == bytes.left(int(qMin<qint64>(whole.end, 64))));
    check(samples(whole) + whole.damaged == whole.lines);
    check(whole.times.size() == whole.powers.size());
    for (int i = 1; i < whole.times.size(); ++i)
        check(whole.times.at(i - 1) <= whole.times.at(i));

    // Chunks far shorter than a line (a few dozen of them a file): a line cut between chunks
    // reads as it does whole.
    const ZSignalLogFile::Result chunked = ZSignalLogFile(path, 7 + bytes.size() / 64).read();
    check(chunked.lines == whole.lines && chunked.damaged == whole.damaged && chunked.end == whole.end);
    check(same(chunked.times, whole.times) && same(chunked.powers, whole.powers));

    // Followed: the first half read, then what was added after it.
    write(path, bytes.constData(), bytes.size() / 2);
    const ZSignalLogFile::Result first = ZSignalLogFile(path, 4096).read();
    write(path, bytes.constData(), bytes.size());
    const ZSignalLogFile::Result rest = ZSignalLogFile(path, 4096).readFrom(first.end, first.head);
    check(!rest.replaced && rest.error.isEmpty());
    check(first.lines + rest.lines == whole.lines && first.damaged + rest.damaged == whole.damaged);
    check(samples(first) + samples(rest) == samples(whole));
    check(rest.end == whole.end);
    return 0;
}
