#ifndef PROCESSFIGURES_H
#define PROCESSFIGURES_H

// What the benchmarks measure of their own process: CPU time and resident memory.

#include <QByteArray>
#include <QFile>
#include <sys/resource.h>

// User and system CPU time of the whole process so far, seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Resident memory now, KiB; -1 when /proc cannot tell.
inline long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

#endif // PROCESSFIGURES_H
