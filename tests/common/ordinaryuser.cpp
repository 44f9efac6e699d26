#include "ordinaryuser.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <unistd.h>

namespace OrdinaryUser {

Run rerun(const char *function)
{
    Run run;
    if (::geteuid() != 0)
        return run;
    run.asRoot = true;
    const QStringList asNobody{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                               QStringLiteral("--clear-groups"), QStringLiteral("--")};
    // A build under a folder only root may enter (root's home) is out of the user's reach.
    if (QProcess::execute(QStringLiteral("setpriv"), asNobody + QStringList{QStringLiteral("test"), QStringLiteral("-x"),
                                                                            QCoreApplication::applicationFilePath()}) != 0) {
        run.unreachable = true;
        return run;
    }
    QString which = QString::fromLatin1(function);
    if (QTest::currentDataTag())
        which += QLatin1Char(':') + QString::fromLatin1(QTest::currentDataTag());
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("setpriv"), asNobody + QStringList{QCoreApplication::applicationFilePath(), which});
    // However slow the machine (or the sanitizer build), a test function ends long before this.
    const bool finished = process.waitForFinished(240000);
    run.output = QString::fromLocal8Bit(process.readAll());
    if (!finished)
        run.output += QStringLiteral("\n(as nobody: %1)").arg(process.errorString());
    run.passed = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return run;
}

} // namespace OrdinaryUser
