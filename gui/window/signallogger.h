#ifndef SIGNALLOGGER_H
#define SIGNALLOGGER_H

#include <QLoggingCategory>
#include <QString>

class QObject;

// The signal log: the main window samples the signal power as information messages of the
// category "P"; a process-wide message handler appends every information message, of any
// category, as a time-stamped line to the day's file in the log directory. With the handler in
// place nothing else of the program may write information messages, and warnings and debug
// output are dropped.
//
// Lines and file names are ZSignalLogFile's: the time stamp, a blank and the message text, in
// the file of the local date when it is opened, kept until the program ends or the file
// disappears from the disk.

Q_DECLARE_LOGGING_CATEGORY(signalLogCategory)

// What to do when the log directory is missing: ask the operator whether to create it (the
// folder beside the program, which the operator chose), or create it with its parents without
// asking (the user's own data folder, which is the program's to fill).
enum class MissingLogDir { Ask, Create };

// Checks the log directory, creating it as `missing` says, and installs the handler. False (no
// handler, Qt's default output stays) when the operator declines or the directory cannot be made;
// a directory that could not be made without asking is said on standard error.
bool setupSignalLogger(const QString &dir, MissingLogDir missing = MissingLogDir::Ask);

void signalLogHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// A day's file that cannot be opened loses that line; the next message tries again. The first
// failure of a run of failures is said on standard error and handed to `receiver`'s slot
// "signalLogFailure(QString)" (queued), so that the operator sees it; null for nobody.
void setSignalLogFailureReceiver(QObject *receiver);

// The directory lines go to; empty while the handler is not installed.
QString signalLogDirectory();

#endif // SIGNALLOGGER_H
