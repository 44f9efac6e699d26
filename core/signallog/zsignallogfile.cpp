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

const QString DayFormat = QStringLiteral("yyyy-MM-dd");
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

// One line's sample.
struct Sample
{
    double time;
    double power;
};

// Reads the lines of one file in order. Nearly every line of a file carries the same date, so
// the date text is compared with the one before and turned into days only when it changes.
class LineReader
{
public:
    explicit LineReader(const QDate &day) : m_day(day) {}

    // The line from p up to its '\n' (end); false when it is not a line of the log.
    bool read(const char *p, const char *end, Sample *sample);

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

bool LineReader::read(const char *p, const char *end, Sample *sample)
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
    sample->time = double(m_dayOffset * 86400 + hours * 3600 + minutes * 60 + seconds) + ms / 1000.0;
    sample->power = value;
    return true;
}

} // namespace

ZSignalLogFile::ZSignalLogFile(const QString &path, int chunkBytes)
    : m_path(path), m_day(dayOf(QFileInfo(path).fileName())), m_chunkBytes(qMax(chunkBytes, 1))
{
}

QString ZSignalLogFile::fileName(const QDate &day)
{
    return day.toString(DayFormat);
}

QDate ZSignalLogFile::dayOf(const QString &fileName)
{
    const QByteArray name = fileName.toLatin1();
    return name.size() == 10 ? dateAt(name.constData()) : QDate();
}

QString ZSignalLogFile::sample(double power)
{
    return QLatin1Char('"') + QString::number(power, 'f', 3) + QLatin1Char('"');
}

QByteArray ZSignalLogFile::line(const QDateTime &time, const QString &text)
{
    return (time.toString(DayFormat + QStringLiteral(" hh:mm:ss.zzz ")) + text + QLatin1Char('\n')).toUtf8();
}

bool ZSignalLogFile::isPause(double usualStep, double step)
{
    return usualStep >= 0 && step > std::max(PauseSeconds, PauseSteps * usualStep);
}

void ZSignalLogFile::breakAtPauses(QVector<double> &times, QVector<double> &powers)
{
    // Found first: most days have no pause and are left as they are.
    std::vector<int> pauses;
    double usual = -1;
    for (int i = 1; i < times.size(); ++i) {
        const double step = times.at(i) - times.at(i - 1);
        if (isPause(usual, step))
            pauses.push_back(i);
        else if (step > 0)
            usual = step;
    }
    if (pauses.empty())
        return;
    QVector<double> brokenTimes, brokenPowers;
    brokenTimes.reserve(times.size() + int(pauses.size()));
    brokenPowers.reserve(times.size() + int(pauses.size()));
    size_t next = 0;
    for (int i = 0; i < times.size(); ++i) {
        if (next < pauses.size() && pauses[next] == i) {
            brokenTimes.append((times.at(i - 1) + times.at(i)) / 2);
            brokenPowers.append(std::numeric_limits<double>::quiet_NaN());
            ++next;
        }
        brokenTimes.append(times.at(i));
        brokenPowers.append(powers.at(i));
    }
    times.swap(brokenTimes);
    powers.swap(brokenPowers);
}

ZSignalLogFile::Result ZSignalLogFile::read(const std::atomic<bool> *cancel, const Progress &progress) const
{
    return readFrom(0, QByteArray(), cancel, progress);
}

ZSignalLogFile::Result ZSignalLogFile::readFrom(qint64 offset, const QByteArray &head, const std::atomic<bool> *cancel,
                                                const Progress &progress) const
{
    Result result;
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

    std::vector<Sample> samples;
    samples.reserve(size_t(qMin((size - offset) / 30 + 16, MaxReserve)));
    LineReader reader(m_day);
    bool sorted = true;
    double lastTime = -std::numeric_limits<double>::infinity();
    // No larger than what there is to read: a followed day is read again every second for the
    // few lines added, and clearing a whole chunk's memory for them cost more than reading them.
    std::vector<char> buffer(static_cast<size_t>(qMin<qint64>(m_chunkBytes, qMax<qint64>(size - offset + 1, 4096))));
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
            Sample sample;
            // Longer than any line kept whole is damaged however the chunks fell.
            if (overlong || nl - line >= MaxLineBytes || !reader.read(line, nl, &sample)) {
                overlong = false;
                ++result.damaged;
                continue;
            }
            sorted = sorted && sample.time >= lastTime;
            lastTime = sample.time;
            samples.push_back(sample);
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
        std::stable_sort(samples.begin(), samples.end(), [](const Sample &a, const Sample &b) { return a.time < b.time; });
    result.times.reserve(int(samples.size()));
    result.powers.reserve(int(samples.size()));
    for (const Sample &sample : samples) {
        result.times.append(sample.time);
        result.powers.append(sample.power);
    }
    // Let go before the pauses are looked for, which may copy both vectors once more.
    std::vector<Sample>().swap(samples);
    breakAtPauses(result.times, result.powers);
    if (file.seek(0))
        result.head = file.read(qMin<qint64>(result.end, HeadBytes));
    return result;
}
