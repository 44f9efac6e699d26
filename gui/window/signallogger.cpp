#include "signallogger.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>

#include <cstdio>
#include <memory>

#include "zsignallogfile.h"

Q_LOGGING_CATEGORY(signalLogCategory, "P")

namespace {

QString g_logDir;
// Deleted (and so closed) when the process ends.
std::unique_ptr<QFile> g_logFile;
QPointer<QObject> g_failureReceiver;
bool g_failing = false;

void reportFailure(const QString &path, const QString &reason)
{
    if (g_failing)
        return;
    g_failing = true;
    const QString text = QStringLiteral("Cannot create log file");
    std::fprintf(stderr, "TarnControl: %s %s: %s\n", qPrintable(text), qPrintable(path), qPrintable(reason));
    if (g_failureReceiver)
        QMetaObject::invokeMethod(g_failureReceiver, "signalLogFailure", Qt::QueuedConnection,
                                  Q_ARG(QString, text + ' ' + path));
}

} // namespace

bool setupSignalLogger(const QString &dir, MissingLogDir missing)
{
    g_logDir.clear();
    if (!QDir().exists(dir)) {
        if (missing == MissingLogDir::Create) {
            if (!QDir().mkpath(dir)) {
                std::fprintf(stderr, "TarnControl: Cannot create log directory %s\n", qPrintable(dir));
                return false;
            }
        } else {
            QMessageBox question(QMessageBox::Question, QObject::tr("Логирование"),
                QObject::tr("Дирректория файлов логов %1 не существует , создать дирректорию?").arg(dir),
                QMessageBox::Yes | QMessageBox::No);
            question.setDefaultButton(QMessageBox::Yes);
            if (question.exec() != QMessageBox::Yes || !QDir().mkdir(dir))
                return false;
        }
    }
    g_logDir = dir;
    qInstallMessageHandler(signalLogHandler);
    return true;
}

void signalLogHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(context)
    if (type != QtInfoMsg)
        return;
    if (!g_logFile || !g_logFile->exists()) {
        const QString path = g_logDir + QLatin1Char('/') + ZSignalLogFile::fileName(QDate::currentDate());
        g_logFile = std::make_unique<QFile>(path);
        if (!g_logFile->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            reportFailure(path, g_logFile->errorString());
            // Dropped, so that the next message tries to open the file again.
            g_logFile.reset();
            return;
        }
    }
    if (g_logFile->write(ZSignalLogFile::line(QDateTime::currentDateTime(), message)) < 0 || !g_logFile->flush()) {
        reportFailure(g_logFile->fileName(), g_logFile->errorString());
        g_logFile.reset();
        return;
    }
    g_failing = false;
}

void setSignalLogFailureReceiver(QObject *receiver)
{
    g_failureReceiver = receiver;
}

QString signalLogDirectory()
{
    return g_logDir;
}
