// Start-up: the settings store beside the executable, and the program as a process against
// defective databases and against the device emulator.

#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

#include "zdeviceemulator.h"
#include "zstartup.h"

namespace {

const QString BinDir = QStringLiteral(TARN_BIN_DIR);

// A directory holding a copy of the program, so that its settings and database are the
// test's own.
struct Installation
{
    QTemporaryDir dir;
    QString program;

    explicit Installation(bool withDatabase)
    {
        program = dir.filePath("TarnControl");
        QFile::copy(BinDir + "/TarnControl", program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (withDatabase)
            QFile::copy(QStringLiteral(TARN_DB_PATH), dir.filePath("tarn_vex.ddb"));
    }
    QString settingsPath() const { return dir.filePath("settings.ini"); }
};

void writeDatabase(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &s : statements)
            QVERIFY2(q.exec(s), qPrintable(s));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
}

QProcessEnvironment programEnvironment(const QString &foreignConfig)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The platform's own store must not be where the settings go.
    env.insert("XDG_CONFIG_HOME", foreignConfig);
    env.insert("HOME", foreignConfig);
    return env;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void settingsFileBesideExecutable();
    void defectiveDatabaseEndsWithCode2_data();
    void defectiveDatabaseEndsWithCode2();
    void firstRunSavesDefaultsOnSigterm();
    void portFromSettingsIsOpened();

private:
    QTemporaryDir m_foreign;
};

void TestStartup::initTestCase()
{
    QVERIFY(m_foreign.isValid());
    QVERIFY(QFile::exists(BinDir + "/TarnControl"));
    qputenv("XDG_CONFIG_HOME", m_foreign.path().toLocal8Bit());
}

void TestStartup::settingsFileBesideExecutable()
{
    QTemporaryDir appDir;
    ZStartup::setIdentity();
    ZStartup::useSettingsFileIn(appDir.path());
    QCOMPARE(ZStartup::settingsFilePath(), appDir.filePath("settings.ini"));
    {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        QCOMPARE(settings->fileName(), appDir.filePath("settings.ini"));
        QCOMPARE(ZStartup::readLogInterval(*settings), 500); // first run
    }
    // A value placed in the file is the one read.
    QFile file(appDir.filePath("settings.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Logger]\nInterval=250\n");
    file.close();
    {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        QCOMPARE(ZStartup::readLogInterval(*settings), 250);
        settings->setValue("TARN/AskInterval", 20);
    }
    // Nothing becomes a directory of that name, and stray default-constructed settings stay
    // beside the executable too.
    QVERIFY(QFileInfo(appDir.filePath("settings.ini")).isFile());
    QVERIFY(QSettings().fileName().startsWith(appDir.path()));
    QSettings check(appDir.filePath("settings.ini"), QSettings::IniFormat);
    QCOMPARE(check.value("TARN/AskInterval").toInt(), 20);
    QVERIFY(QDir(m_foreign.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

void TestStartup::defectiveDatabaseEndsWithCode2_data()
{
    QTest::addColumn<QString>("defect");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing" << "Файл базы данных не существует";
    QTest::newRow("directory") << "directory" << "Файл базы данных не существует";
    QTest::newRow("no status register") << "nostatus" << "База данных регистров не содержит статусного регистра";
    QTest::newRow("bad access mode") << "badrw" << "Ошибка признака чтения/записи регистра : строка 1";
}

void TestStartup::defectiveDatabaseEndsWithCode2()
{
    QFETCH(QString, defect);
    QFETCH(QString, message);
    Installation inst(false);
    const QString db = inst.dir.filePath("tarn_vex.ddb");
    if (defect == "directory")
        QVERIFY(QDir().mkpath(db));
    else if (defect == "nostatus")
        writeDatabase(db, {"CREATE TABLE regs (num, len, rw, type, purp, desc)",
                           "INSERT INTO regs VALUES (2, 2, 'R', 'int', '', '')"});
    else if (defect == "badrw")
        writeDatabase(db, {"CREATE TABLE regs (num, len, rw, type, purp, desc)",
                           "INSERT INTO regs VALUES (1, 207, 'r', 'status', '', '')"});

    QProcess process;
    process.setProcessEnvironment(programEnvironment(m_foreign.path()));
    process.start(inst.program, QStringList());
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QStringList lines = QString::fromUtf8(process.readAllStandardError()).split('\n');
    const QStringList ours = lines.filter(QRegularExpression("^TarnControl: "));
    QCOMPARE(ours.size(), 1);
    QVERIFY2(ours.first().contains(message), qPrintable(ours.first()));
}

void TestStartup::firstRunSavesDefaultsOnSigterm()
{
    Installation inst(true);
    QProcess process;
    process.setProcessEnvironment(programEnvironment(m_foreign.path()));
    process.start(inst.program, QStringList());
    QVERIFY(process.waitForStarted());
    // The default port does not exist here: the program keeps running and retrying.
    QVERIFY(!process.waitForFinished(1500));
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    QSettings saved(inst.settingsPath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/SerialPort").toString(), QStringLiteral("ttyUSB0"));
    QCOMPARE(saved.value("TARN/AskInterval").toInt(), 10);
    QCOMPARE(saved.value("TARN/WaitTimout").toInt(), 1000);
}

void TestStartup::portFromSettingsIsOpened()
{
    Installation inst(true);
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    const QString link = inst.dir.filePath("ttyTARN");
    QVERIFY2(emulator.start(link), qPrintable(emulator.errorString()));
    {
        QSettings settings(inst.settingsPath(), QSettings::IniFormat);
        settings.setValue("TARN/SerialPort", link);
        settings.setValue("TARN/AskInterval", 25);
        settings.setValue("TARN/WaitTimout", 700);
    }
    QProcess process;
    process.setProcessEnvironment(programEnvironment(m_foreign.path()));
    process.start(inst.program, QStringList());
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(emulator.requestsServed() >= 5, 15000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitCode(), 0);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(out.contains("device connected"), qPrintable(out));

    QSettings saved(inst.settingsPath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/SerialPort").toString(), link);
    QCOMPARE(saved.value("TARN/AskInterval").toInt(), 25);
    QCOMPARE(saved.value("TARN/WaitTimout").toInt(), 700);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
