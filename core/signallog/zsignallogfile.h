#ifndef ZSIGNALLOGFILE_H
#define ZSIGNALLOGFILE_H

#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>

// The signal log on the disk, as the program writes it and its viewer (or anything an operator
// points at the folder) reads it back: one file per day the program started, named "yyyy-MM-dd"
// with no extension, and one line per sample, `yyyy-MM-dd hh:mm:ss.zzz "-61.180"` — local time to
// the millisecond, a blank, the power in dBm with three decimals in double quotes — ended by '\n'
// and encoded in UTF-8. The program keeps writing into the day's file past midnight.
//
// Read, a sample's time is the wall-clock time of its line in seconds from the midnight that
// opens the file's date, so that a line written after midnight lies beyond 86400 s.
//
// A line that cannot be read (cut short by a power failure, edited by hand) is skipped and
// counted; nothing in a file stops the reading of the rest. Only complete lines, those ending
// in '\n', are taken: the one the program may be writing at that moment is left for the next
// read, which starts at the byte after the last complete line. A day of the log at the fastest
// sampling holds close to a million lines, so the file is read in large chunks, and the reader
// reports its progress and stops at a cancel flag between chunks. Meant to run in a worker
// thread: it touches nothing but the file and what it returns.
class ZSignalLogFile
{
    Q_DECLARE_TR_FUNCTIONS(ZSignalLogFile)

public:
    struct Result
    {
        // In time order (a clock set back leaves lines out of order in the file), with a power
        // of no value (NaN) in every pause; as many of one as of the other.
        QVector<double> times;
        QVector<double> powers;
        qint64 lines = 0;   // complete lines read, the damaged ones among them
        qint64 damaged = 0; // lines that could not be read
        qint64 end = 0;     // the byte after the last complete line: where the next read starts
        // The first bytes of the file (up to 64) among the lines read; a later read from `end`
        // compares them to tell a file that grew from one that was replaced.
        QByteArray head;
        // The file is shorter than the offset asked for, or begins otherwise than it did: it
        // must be read whole again.
        bool replaced = false;
        bool cancelled = false;
        QString error; // why the file could not be read at all; empty when it was
    };
    // The share of the bytes to read that has been read, 0 to 1.
    using Progress = std::function<void(double fraction)>;

    static constexpr int DefaultChunkBytes = 4 << 20;

    explicit ZSignalLogFile(const QString &path, int chunkBytes = DefaultChunkBytes);

    // The name of the day's file.
    static QString fileName(const QDate &day);
    // The day a file's name stands for; an invalid date when the name is not exactly a valid
    // "yyyy-MM-dd" ("2026-12-10.bak" and "2026-12-10~" are not the log's).
    static QDate dayOf(const QString &fileName);
    // A sample's text: the power with three decimals in double quotes.
    static QString sample(double power);
    // A whole line: the time stamp, a blank, the text and the line's end.
    static QByteArray line(const QDateTime &time, const QString &text);

    // Whether a step from one line to the next is a pause in the log (the program closed, the
    // receiver not answering) rather than a sample: longer than a few seconds and than several
    // of the usual steps before it (negative while none is known), whatever the sampling
    // interval was.
    static bool isPause(double usualStep, double step);
    // Puts a sample of no power into every pause of samples in time order, so that a graph
    // breaks its line there instead of drawing one across a time nothing was logged.
    static void breakAtPauses(QVector<double> &times, QVector<double> &powers);

    // The whole file.
    Result read(const std::atomic<bool> *cancel = nullptr, const Progress &progress = Progress()) const;
    // The lines completed since an earlier read ended at `offset`, whose head was `head`.
    Result readFrom(qint64 offset, const QByteArray &head, const std::atomic<bool> *cancel = nullptr,
                    const Progress &progress = Progress()) const;

private:
    QString m_path;
    // The midnight keys count from; a file whose name is no date is not read.
    QDate m_day;
    int m_chunkBytes;
};

#endif // ZSIGNALLOGFILE_H
