#include "zsignallogformat.h"

#include <QDateTime>

namespace {

const QString DayFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

QString ZSignalLogFormat::fileName(const QDate &day)
{
    return day.toString(DayFormat);
}

QDate ZSignalLogFormat::dayOf(const QString &fileName)
{
    const QByteArray name = fileName.toLatin1();
    return name.size() == 10 ? dateAt(name.constData()) : QDate();
}

QString ZSignalLogFormat::sample(double power)
{
    return QLatin1Char('"') + QString::number(power, 'f', 3) + QLatin1Char('"');
}

QByteArray ZSignalLogFormat::line(const QDateTime &time, const QString &text)
{
    return (time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) + QLatin1Char(' ') + text + QLatin1Char('\n')).toUtf8();
}

QDate ZSignalLogFormat::dateAt(const char *p)
{
    const int year = digits(p, 4), month = digits(p + 5, 2), day = digits(p + 8, 2);
    if (year < 0 || p[4] != '-' || month < 0 || p[7] != '-' || day < 0)
        return QDate();
    return QDate(year, month, day);
}
