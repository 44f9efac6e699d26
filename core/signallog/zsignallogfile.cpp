#include "zsignallogfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int HeadBytes = 64;
// "yyyy-MM-dd hh:mm:ss.zzz ": the fixed part of a line before the value.
constexpr int StampBytes = 24;
// Room kept for the points of a file before it is read, at most; a file larger than a day of the
// log at the fastest sampling (a file of something else named like a day) grows it as it goes.
constexpr qint64 MaxReserve = 4000000;
// The longest line kept whole for reading; a line of the log is some 34 bytes.
constexpr int MaxLineBytes = 1 << 16;
// A pause in the log is a step longer than both of these.
constexpr double PauseSeconds = 2.0;
constexpr double PauseSteps = 5.0;

// The number written in `count` decimal digits at p; -1 when they are not all digits.
inline int digits(const char *p, int count)
{
    int number = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned digit = unsigned(p[i]) - '0';
        if (digit > 9)
            return -1;
        number = number * 10 + int(digit);
    }
    return number;
}

// The date "yyyy-MM-dd" at p; invalid when it is not one.
QDate dateAt(const char *p)
{
    const int year = digits(p, 4), month = digits(p + 5, 2), day = digits(p + 8, 2);
    if (year < 0 || p[4] != '-' || month < 0 || p[7] != '-' || day < 0)
        return QDate();
    return QDate(year, month, day);
}

// Reads the lines of one file in order. Nearly every line of a file carries the same date, so
// the date text is compared with the one before and turned into days only when it changes.
class LineReader
{
public:
    explicit LineReader(const QDate &day) : m_day(day) {}

    // The line from p up to its '\n' (end); false when it is not a line of the log.
    bool read(const char *p, const char *end, QCPGraphData *point);

private:
    void takeDate(const char *p);

    QDate m_day;
    char m_dateText[10] = {};
    bool m_seen = false;      // m_dateText holds the date of an earlier line
    bool m_dateValid = false; // ... and it is a real date
    qint64 m_dayOffset = 0;   // ... this many days after the file's own
};

void LineReader::takeDate(const char *p)
{
    std::memcpy(m_dateText, p, sizeof m_dateText);
    m_seen = true;
    const QDate date = dateAt(p);
    m_dateValid = date.isValid();
    if (m_dateValid)
        m_dayOffset = m_day.daysTo(date);
}

bool LineReader::read(const char *p, const char *end, QCPGraphData *point)
{
    if (end > p && end[-1] == '\r')
        --end;
    if (end - p <= StampBytes)
        return false;
    if (!m_seen || std::memcmp(p, m_dateText, sizeof m_dateText) != 0)
        takeDate(p);
    if (!m_dateValid || p[10] != ' ' || p[13] != ':' || p[16] != ':' || p[19] != '.' || p[23] != ' ')
        return false;
    const int hours = digits(p + 11, 2), minutes = digits(p + 14, 2), seconds = digits(p + 17, 2), ms = digits(p + 20, 3);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 || ms < 0)
        return false;

    // The program writes the power in double quotes; a file written by hand may leave them out.
    p += StampBytes;
    if (*p == '"') {
        if (end - p < 2 || end[-1] != '"')
            return false;
        ++p;
        --end;
    }
    double value = 0;
    const std::from_chars_result parsed = std::from_chars(p, end, value);
    if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(value))
        return false;
    point->key = double(m_dayOffset * 86400 + hours * 3600 + minutes * 60 + seconds) + ms / 1000.0;
    point->value = value;
    return true;
}

} // namespace

ZSignalLogFile::ZSignalLogFile(const QString &path, int chunkBytes)
    : m_path(path), m_day(dayOf(QFileInfo(path).fileName())), m_chunkBytes(qMax(chunkBytes, 1))
{
}

QDate ZSignalLogFile::dayOf(const QString &fileName)
{
    // Strictly digits in their places: "2026-12-10.bak" or "2026-12-10~" is not the log's.
    const QByteArray name = fileName.toLatin1();
    return name.size() == 10 ? dateAt(name.constData()) : QDate();
}

bool ZSignalLogFile::isPause(double usualStep, double step)
{
    return usualStep >= 0 && step > std::max(PauseSeconds, PauseSteps * usualStep);
}

void ZSignalLogFile::breakAtPauses(QVector<QCPGraphData> &points)
{
    // Found first: most days have no pause and are left as they are.
    std::vector<int> pauses;
    double usual = -1;
    for (int i = 1; i < points.size(); ++i) {
        const double step = points.at(i).key - points.at(i - 1).key;
        if (isPause(usual, step))
            pauses.push_back(i);
        else if (step > 0)
            usual = step;
    }
    if (pauses.empty())
        return;
    QVector<QCPGraphData> broken;
    broken.reserve(points.size() + int(pauses.size()));
    size_t next = 0;
    for (int i = 0; i < points.size(); ++i) {
        if (next < pauses.size() && pauses[next] == i) {
            broken.append(QCPGraphData((points.at(i - 1).key + points.at(i).key) / 2,
                                       std::numeric_limits<double>::quiet_NaN()));
            ++next;
        }
        broken.append(points.at(i));
    }
    points.swap(broken);
}

ZSignalLogFile::Result ZSignalLogFile::read(const std::atomic<bool> *cancel, const Progress &progress) const
{
    return readFrom(0, QByteArray(), cancel, progress);
}

ZSignalLogFile::Result ZSignalLogFile::readFrom(qint64 offset, const QByteArray &head, const std::atomic<bool> *cancel,
                                                const Progress &progress) const
{
    Result result;
    result.points.reset(new QCPGraphDataContainer);
    result.end = offset;
    result.head = head;
    if (!m_day.isValid()) {
        result.error = tr("имя файла не дата вида гггг-ММ-дд");
        return result;
    }
    QFile file(m_path);
    if (!file.exists()) {
        result.error = tr("файла нет");
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const qint64 size = file.size();
    if (size < offset || file.read(qMin<qint64>(offset, HeadBytes)) != head || !file.seek(offset)) {
        result.replaced = true;
        return result;
    }

    QVector<QCPGraphData> points;
    points.reserve(int(qMin((size - offset) / 30 + 16, MaxReserve)));
    LineReader reader(m_day);
    bool sorted = true;
    double lastKey = -std::numeric_limits<double>::infinity();
    std::vector<char> buffer(static_cast<size_t>(m_chunkBytes));
    size_t kept = 0; // bytes of an unfinished line at the start of the buffer
    bool overlong = false; // the line at the start of the buffer began in bytes already let go
    qint64 start = offset; // where in the file the buffer starts
    for (;;) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            result.cancelled = true;
            return result;
        }
        // A line that fills the buffer gets a larger one, up to a bound far beyond any line of
        // the log; beyond that its bytes are let go (a file of something else named like a day
        // may hold no line break at all) and it is counted as damaged when its end comes.
        if (kept == buffer.size()) {
            if (buffer.size() < size_t(MaxLineBytes)) {
                buffer.resize(std::min(buffer.size() * 2, size_t(MaxLineBytes)));
            } else {
                start += qint64(kept);
                kept = 0;
                overlong = true;
            }
        }
        const qint64 got = file.read(buffer.data() + kept, qint64(buffer.size() - kept));
        if (got < 0) {
            result.error = file.errorString();
            return result;
        }
        if (got == 0)
            break;
        const char *line = buffer.data();
        const char *const stop = line + kept + size_t(got);
        for (const char *nl; (nl = static_cast<const char *>(std::memchr(line, '\n', size_t(stop - line)))); line = nl + 1) {
            ++result.lines;
            QCPGraphData point;
            if (overlong || !reader.read(line, nl, &point)) {
                overlong = false;
                ++result.damaged;
                continue;
            }
            sorted = sorted && point.key >= lastKey;
            lastKey = point.key;
            points.append(point);
        }
        start += line - buffer.data();
        kept = size_t(stop - line);
        std::memmove(buffer.data(), line, kept);
        if (progress)
            progress(size > offset ? qMin(1.0, double(start + qint64(kept) - offset) / double(size - offset)) : 1.0);
    }
    result.end = start;

    // Lines out of order are where the clock was set back; kept in the order written among
    // themselves.
    if (!sorted)
        std::stable_sort(points.begin(), points.end(),
                         [](const QCPGraphData &a, const QCPGraphData &b) { return a.key < b.key; });
    breakAtPauses(points);
    result.points->set(points, true);
    if (file.seek(0))
        result.head = file.read(qMin<qint64>(result.end, HeadBytes));
    return result;
}
