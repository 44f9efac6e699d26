#ifndef PROCSTATUS_H
#define PROCSTATUS_H

#include <QByteArray>
#include <QString>

// What /proc tells of another process while it runs: the signal masks of its main thread and
// the files it holds open. Lets a test wait for the moment itself instead of guessing how fast
// a machine starts a program.
namespace ProcStatus {

// "SigBlk:" or "SigCgt:" of the main thread, one bit per signal (bit n-1 for signal n).
quint64 signalMask(qint64 pid, const QByteArray &field);

bool holdsOpen(qint64 pid, const QString &path);

// Our programs block SIGINT and SIGTERM as the first statement of main() and catch them once
// their watcher is in place.
enum class Termination { Unseen, Blocked, Caught };
// Waits until SIGTERM shows blocked or caught, looking every 0.1 ms.
Termination waitForTermination(qint64 pid, int timeoutMs = 30000);

} // namespace ProcStatus

#endif // PROCSTATUS_H
