#include "procstatus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>

namespace ProcStatus {

quint64 signalMask(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().toULongLong(nullptr, 16);
    return 0;
}

bool holdsOpen(qint64 pid, const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(fds.filePath(fd)) == target)
            return true;
    return false;
}

Termination waitForTermination(qint64 pid, int timeoutMs)
{
    const quint64 bit = quint64(1) << (SIGTERM - 1);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (signalMask(pid, "SigBlk:") & bit)
            return Termination::Blocked;
        if (signalMask(pid, "SigCgt:") & bit)
            return Termination::Caught;
        QThread::usleep(100);
    }
    return Termination::Unseen;
}

} // namespace ProcStatus
