#ifndef ZSIGNALLOGFORMAT_H
#define ZSIGNALLOGFORMAT_H

#include <QByteArray>
#include <QDate>
#include <QString>

class QDateTime;

// The signal log as it stands on the disk, written by the program and read back by its viewer
// (and by whatever else an operator points at the folder): one file per day the program
// started, named after that day "yyyy-MM-dd" with no extension, and one line per sample,
// `yyyy-MM-dd hh:mm:ss.zzz "-61.180"` — local time to the millisecond, a blank, the signal
// power in dBm with three decimals in double quotes — ended by '\n' and encoded in UTF-8.
class ZSignalLogFormat
{
public:
    // The bytes of "yyyy-MM-dd hh:mm:ss.zzz " before a line's text.
    static constexpr int StampBytes = 24;

    // The name of the day's file.
    static QString fileName(const QDate &day);
    // The day a file's name stands for; an invalid date when the name is not exactly a valid
    // "yyyy-MM-dd" ("2026-12-10.bak" and "2026-12-10~" are not the log's).
    static QDate dayOf(const QString &fileName);
    // A sample's text: the power with three decimals in double quotes.
    static QString sample(double power);
    // A whole line: the time stamp, a blank, the text and the line's end.
    static QByteArray line(const QDateTime &time, const QString &text);
    // The date "yyyy-MM-dd" at p (10 bytes); invalid when it is not one.
    static QDate dateAt(const char *p);
    // The number written in `count` decimal digits at p; -1 when they are not all digits.
    static int digits(const char *p, int count)
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
};

#endif // ZSIGNALLOGFORMAT_H
