// Start-up: the settings store beside the executable, and the program as a process against
// defective databases and against the device emulator.

#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

#include "ordinaryuser.h"
#include "procstatus.h"
#include "zabstractconnection.h"
#include "zdeviceemulator.h"
#include "zdevicefactory.h"
#include "zlanguage.h"
#include "zstartup.h"
#include "ztarnvex.h"

namespace {

const QString BinDir = QStringLiteral(TARN_BIN_DIR);

// A directory holding a copy of the program, so that its settings and database are the
// test's own.
struct Installation
{
    QTemporaryDir root;
    QDir dir;
    QString program;

    // The program and its database in `subdir` of a fresh directory (in the directory itself
    // when `subdir` is empty).
    explicit Installation(bool withDatabase, const QString &subdir = QString())
    {
        dir.setPath(root.path());
        if (!subdir.isEmpty()) {
            dir.mkdir(subdir);
            dir.cd(subdir);
        }
        program = dir.filePath("TarnControl");
        QFile::copy(BinDir + "/TarnControl", program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (withDatabase)
            QFile::copy(QStringLiteral(TARN_DB_PATH), dir.filePath("tarn_vex.ddb"));
        // Without it the program would first ask whether to create it.
        dir.mkdir("logs");
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

// The program running in an installation, its output gathered as it comes.
struct Running
{
    QProcess process;
    QString out;
    QString err;

    explicit Running(const Installation &inst, const QString &foreignConfig)
    {
        process.setProcessEnvironment(programEnvironment(foreignConfig));
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] {
            out += QString::fromUtf8(process.readAllStandardOutput());
        });
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] {
            err += QString::fromUtf8(process.readAllStandardError());
        });
        process.start(inst.program, QStringList());
    }
    void signal(int sig) { ::kill(pid_t(process.processId()), sig); }
    // Ends the program with `sig` once its main() has begun (before that the signal's default
    // action would end it), and tells whether it ended cleanly (exit code 0).
    bool end(int sig = SIGTERM)
    {
        if (ProcStatus::waitForTermination(process.processId()) == ProcStatus::Termination::Unseen)
            return false;
        signal(sig);
        if (!process.waitForFinished(15000))
            return false;
        out += QString::fromUtf8(process.readAllStandardOutput());
        err += QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
};

void writeSettings(const Installation &inst, const QVariantMap &values)
{
    QSettings settings(inst.settingsPath(), QSettings::IniFormat);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        settings.setValue(it.key(), it.value());
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void settingsFileBesideExecutable();
    void placesChosen_data();
    void placesChosen();
    void languageChosen_data();
    void languageChosen();
    void defectiveDatabaseEndsWithCode2_data();
    void defectiveDatabaseEndsWithCode2();
    void firstRunSavesDefaultsOnSigterm_data();
    void firstRunSavesDefaultsOnSigterm();
    void portFromSettingsIsOpened();
    void deviceSettingsBounded_data();
    void deviceSettingsBounded();
    void settingsTroubleSaidOnStderr_data();
    void settingsTroubleSaidOnStderr();
    void comesBackByItself();
    void windowAndMonitorFromOutside_data();
    void windowAndMonitorFromOutside();
    void signalLogAppendsAcrossRuns();
    void stopIsPromptWithALongWait();
    void sigtermWhileLoading();
    void sigtermAtTheFirstStatement();

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

void TestStartup::placesChosen_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("writable") << "writable";
    QTest::newRow("read-only") << "read-only";
    QTest::newRow("missing") << "missing";
}

void TestStartup::placesChosen()
{
    // A copy the user may write to keeps settings and log beside itself; one installed for
    // everybody (a folder only root may write to) or gone uses the user's own folders. Root
    // may write anywhere, so this is looked at as an ordinary user.
    const OrdinaryUser::Run run = OrdinaryUser::rerun("placesChosen");
    if (run.unreachable)
        QSKIP("The build lies where an ordinary user may not run it");
    if (run.asRoot) {
        QVERIFY2(run.passed, qPrintable(run.output));
        return;
    }
    QFETCH(QString, folder);
    QTemporaryDir root;
    const QString appDir = root.filePath("app");
    if (folder != "missing")
        QVERIFY(QDir().mkdir(appDir));
    if (folder == "read-only")
        QVERIFY(QFile::setPermissions(appDir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    const QByteArray config = qgetenv("XDG_CONFIG_HOME"), data = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_CONFIG_HOME", config);
        qputenv("XDG_DATA_HOME", data);
    });
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")));
    ZStartup::setIdentity();

    const ZStartup::Places places = ZStartup::placesFor(appDir);
    const bool beside = folder == "writable";
    QCOMPARE(places.besideProgram, beside);
    QCOMPARE(places.settingsDir, beside ? appDir : root.filePath("config/zembrakor/TarnControl"));
    QCOMPARE(places.logDir, beside ? appDir + "/logs" : root.filePath("data/zembrakor/TarnControl/logs"));
}

void TestStartup::languageChosen_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("languageList");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("Russian desktop") << "" << "ru_RU.UTF-8" << "" << "ru";
    QTest::newRow("service: C") << "" << "C" << "" << "ru";
    QTest::newRow("service: C.UTF-8") << "" << "C.UTF-8" << "" << "ru";
    QTest::newRow("POSIX, LANGUAGE ignored") << "" << "POSIX" << "en_US" << "ru";
    QTest::newRow("nothing set") << "" << "" << "" << "ru";
    QTest::newRow("English desktop") << "" << "en_US.UTF-8" << "" << "en";
    QTest::newRow("German desktop") << "" << "de_DE.UTF-8" << "" << "en";
    QTest::newRow("LANGUAGE first") << "" << "en_GB.UTF-8" << "ru:en" << "ru";
    QTest::newRow("settings say en") << "en" << "ru_RU.UTF-8" << "" << "en";
    QTest::newRow("settings say ru") << " RU " << "en_US.UTF-8" << "" << "ru";
    QTest::newRow("settings unknown") << "fr" << "en_US.UTF-8" << "" << "en";
}

void TestStartup::languageChosen()
{
    QFETCH(QString, setting);
    QFETCH(QString, locale);
    QFETCH(QString, languageList);
    QFETCH(QString, chosen);
    QCOMPARE(ZLanguage::choose(setting, locale, languageList), chosen);
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

void TestStartup::firstRunSavesDefaultsOnSigterm_data()
{
    QTest::addColumn<QString>("subdir");
    QTest::newRow("plain directory") << QString();
    // The device's code page must not leak into file names.
    QTest::newRow("Cyrillic directory") << QStringLiteral("Тест");
}

void TestStartup::firstRunSavesDefaultsOnSigterm()
{
    QFETCH(QString, subdir);
    Installation inst(true, subdir);
    QProcess process;
    process.setProcessEnvironment(programEnvironment(m_foreign.path()));
    process.start(inst.program, QStringList());
    QVERIFY(process.waitForStarted());
    // The default port does not exist here: the program keeps running and retrying.
    QVERIFY(!process.waitForFinished(1500));
    QVERIFY(ProcStatus::waitForTermination(process.processId()) != ProcStatus::Termination::Unseen);
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    QSettings saved(inst.settingsPath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/SerialPort").toString(), QStringLiteral("ttyUSB0"));
    QCOMPARE(saved.value("TARN/AskInterval").toInt(), 10);
    QCOMPARE(saved.value("TARN/WaitTimout").toInt(), 1000);
    // Nothing beside the installation: no second directory with a garbled name.
    QCOMPARE(QDir(inst.root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(),
             subdir.isEmpty() ? 4 : 1);
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
    // Running: both signals caught, and blocked no longer, so a child would not inherit them
    // blocked.
    const quint64 both = (quint64(1) << (SIGINT - 1)) | (quint64(1) << (SIGTERM - 1));
    QCOMPARE(ProcStatus::signalMask(process.processId(), "SigCgt:") & both, both);
    QCOMPARE(ProcStatus::signalMask(process.processId(), "SigBlk:") & both, quint64(0));
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitCode(), 0);
    // With its window the program says nothing on its own terminal.
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), QString());

    QSettings saved(inst.settingsPath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/SerialPort").toString(), link);
    QCOMPARE(saved.value("TARN/AskInterval").toInt(), 25);
    QCOMPARE(saved.value("TARN/WaitTimout").toInt(), 700);
}

void TestStartup::deviceSettingsBounded_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("used");
    QTest::newRow("ask -5") << "AskInterval" << "-5" << 10;
    QTest::newRow("ask 999999999") << "AskInterval" << "999999999" << 10;
    QTest::newRow("ask text") << "AskInterval" << "often" << 10;
    QTest::newRow("ask 2.5") << "AskInterval" << "2.5" << 10;
    QTest::newRow("ask 0 kept") << "AskInterval" << "0" << 0;
    QTest::newRow("ask 10000 kept") << "AskInterval" << "10000" << 10000;
    QTest::newRow("ask 10001") << "AskInterval" << "10001" << 10;
    QTest::newRow("wait 19") << "WaitTimout" << "19" << 1000;
    QTest::newRow("wait -5") << "WaitTimout" << "-5" << 1000;
    QTest::newRow("wait text") << "WaitTimout" << "long" << 1000;
    QTest::newRow("wait 60001") << "WaitTimout" << "60001" << 1000;
    QTest::newRow("wait 20 kept") << "WaitTimout" << "20" << 20;
    QTest::newRow("wait 60000 kept") << "WaitTimout" << "60000" << 60000;
}

void TestStartup::deviceSettingsBounded()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(int, used);
    QTemporaryDir appDir;
    ZStartup::useSettingsFileIn(appDir.path());
    {
        QSettings settings(ZStartup::settingsFilePath(), QSettings::IniFormat);
        settings.setValue("TARN/" + key, stored);
    }
    const std::unique_ptr<ZTarnVex> device = ZDeviceFactory::createTarnVex(QStringLiteral(TARN_DB_PATH));
    const QStringList complaints = ZStartup::loadDeviceSettings(device.get(), "ttyUSB0");
    const bool kept = QString::number(used) == stored;
    QCOMPARE(complaints.size(), kept ? 0 : 1);
    if (!kept)
        QVERIFY2(complaints.first().contains(key) && complaints.first().contains(stored),
                 qPrintable(complaints.first()));
    const int applied = key == "AskInterval" ? device->askInterval() : device->connection()->readTimeout();
    QCOMPARE(applied, used);

    QVERIFY(ZStartup::saveDeviceSettings(device.get()));
    QSettings saved(ZStartup::settingsFilePath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/" + key).toInt(), used);
}

void TestStartup::settingsTroubleSaidOnStderr_data()
{
    QTest::addColumn<bool>("unwritable");
    QTest::newRow("values out of range") << false;
    QTest::newRow("file cannot be written") << true;
}

void TestStartup::settingsTroubleSaidOnStderr()
{
    QFETCH(bool, unwritable);
    Installation inst(true);
    if (unwritable)
        QVERIFY(QDir().mkpath(inst.settingsPath())); // even root cannot replace a directory
    else
        writeSettings(inst, {{"TARN/AskInterval", -5}, {"TARN/WaitTimout", "soon"}});
    Running program(inst, m_foreign.path());
    QVERIFY(program.process.waitForStarted());
    QVERIFY(program.end());
    const QStringList lines = program.err.split('\n').filter(QRegularExpression("^TarnControl: "));
    if (unwritable) {
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains("cannot write the settings file"), qPrintable(lines.first()));
        return;
    }
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.filter("AskInterval").size() == 1 && lines.filter("WaitTimout").size() == 1,
             qPrintable(lines.join('\n')));
    QSettings saved(inst.settingsPath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/AskInterval").toInt(), 10);
    QCOMPARE(saved.value("TARN/WaitTimout").toInt(), 1000);
}

void TestStartup::comesBackByItself()
{
    // The port appears 3 s after the program started; later the emulator is gone for 1 s.
    // Each time the program reconnects by itself.
    Installation inst(true);
    const QString link = inst.dir.filePath("ttyTARN");
    writeSettings(inst, {{"TARN/SerialPort", link}});
    Running program(inst, m_foreign.path());
    QVERIFY(program.process.waitForStarted());
    QTest::qWait(3000);

    auto emulator = std::make_unique<ZDeviceEmulator>(QStringLiteral(TARN_DB_PATH));
    QVERIFY2(emulator->start(link), qPrintable(emulator->errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(emulator->statusPolls() >= 5, 5000);

    emulator.reset();
    QTest::qWait(1000);
    emulator = std::make_unique<ZDeviceEmulator>(QStringLiteral(TARN_DB_PATH));
    QVERIFY2(emulator->start(link), qPrintable(emulator->errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(emulator->statusPolls() >= 5, 5000);

    QVERIFY(program.end(SIGINT));
}

void TestStartup::windowAndMonitorFromOutside_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("monitor");
    QTest::newRow("C locale, as a service runs") << QString() << QStringLiteral("Велькор 2.0 (14.02.19)")
                                                 << QStringLiteral("Монитор обмена ТАРН");
    QTest::newRow("English desktop") << QStringLiteral("en_US.UTF-8") << QStringLiteral("Velkor 2.0 (14.02.19)")
                                     << QStringLiteral("TARN exchange monitor");
}

void TestStartup::windowAndMonitorFromOutside()
{
    QFETCH(QString, desktop);
    QFETCH(QString, main);
    QFETCH(QString, monitor);
    // A real X server with no window manager, the program's windows found by their titles, and
    // the operator's keys and a window manager's close request sent from outside.
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1400x900x24", "-nolisten", "tcp"});
    QVERIFY2(xvfb.waitForStarted(), "Xvfb is needed for this test");
    // On every way out, the server ends by itself and cleans up after it: killed, it would leave
    // its display's lock and socket behind for the next server to trip over.
    const auto stopXvfb = qScopeGuard([&xvfb] {
        xvfb.terminate();
        if (!xvfb.waitForFinished(30000)) {
            xvfb.kill();
            xvfb.waitForFinished(30000);
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(xvfb.canReadLine(), 30000);
    const QString display = ':' + QString::fromLatin1(xvfb.readLine()).trimmed();

    Installation inst(true);
    QProcessEnvironment env = programEnvironment(m_foreign.path());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", display);
    if (!desktop.isEmpty()) {
        env.remove("LC_ALL");
        env.remove("LANGUAGE");
        env.insert("LANG", desktop);
    }
    // Under AddressSanitizer: the X platform's system libraries (D-Bus, plugins unloaded at exit)
    // leave allocations behind that no program can free; the program's own leaks are checked by
    // the runs on the offscreen platform.
    if (env.contains("ASAN_OPTIONS"))
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(inst.program, QStringList());
    QVERIFY(program.waitForStarted());
    QElapsedTimer sinceStart;
    sinceStart.start();
    // On a failure, what became of the program and what it said.
    const auto explain = qScopeGuard([&program, &sinceStart] {
        if (QTest::currentTestFailed())
            qWarning("program started %lld ms ago, %s (exit %d); its standard error:\n%s",
                     sinceStart.elapsed(), program.state() == QProcess::Running ? "still running" : "ended",
                     program.exitCode(), program.readAllStandardError().constData());
    });

    auto tool = [&](const QString &name, const QStringList &args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(name, args);
        return p.waitForFinished(30000) && p.exitCode() == 0;
    };
    // The ids of the top-level windows titled `title`.
    auto windows = [&](const QString &title) {
        QProcess xwininfo;
        xwininfo.start(QStringLiteral("xwininfo"), {"-root", "-tree", "-display", display});
        xwininfo.waitForFinished(30000);
        QStringList ids;
        const QRegularExpression line("^\\s*(0x[0-9a-f]+) \"" + QRegularExpression::escape(title) + "\":");
        for (const QString &l : QString::fromUtf8(xwininfo.readAllStandardOutput()).split('\n')) {
            const QRegularExpressionMatch m = line.match(l);
            if (m.hasMatch())
                ids << m.captured(1);
        }
        return ids;
    };
    // "Инструменты" > "Монитор" from the keyboard, then Return on the question's default, Yes.
    auto restart = [&](const QString &window) {
        // A window only just shown may miss the first keys: then close any menu and try again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QVERIFY(tool("xdotool", {"key", "Escape", "Escape", "windowfocus", "--sync", window, "sleep", "0.3",
                                     "key", "alt", "Right", "Right", "Down", "Return"}));
            if (QTest::qWaitFor([&] { return !windows("ВНИМАНИЕ!").isEmpty(); }, 4000))
                break;
        }
        QCOMPARE(windows("ВНИМАНИЕ!").size(), 1);
        QVERIFY(tool("xdotool", {"windowfocus", "--sync", windows("ВНИМАНИЕ!").value(0), "key", "Return"}));
        // One look at a time: the window may be between the old one and the new one.
        auto rebuilt = [&] { const QStringList now = windows(main); return now.size() == 1 && now.first() != window; };
        QTRY_VERIFY_WITH_TIMEOUT(rebuilt(), 30000);
    };

    QTRY_COMPARE_WITH_TIMEOUT(windows(main).size(), 1, 30000);
    QVERIFY(windows(monitor).isEmpty());
    restart(windows(main).value(0));
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(windows(monitor).size(), 1, 30000);
    const QString first = windows(monitor).value(0);

    // With the monitor open only the window is rebuilt.
    restart(windows(main).value(0));
    if (QTest::currentTestFailed())
        return;
    QTest::qWait(300);
    QCOMPARE(windows(monitor), QStringList{first});

    // Closed as a window manager closes it: gone, the program goes on, and the next restart
    // brings a new one.
    QVERIFY(tool(BinDir + "/xdeletewindow", {first}));
    QTRY_VERIFY_WITH_TIMEOUT(windows(monitor).isEmpty(), 30000);
    QCOMPARE(program.state(), QProcess::Running);
    restart(windows(main).value(0));
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(windows(monitor).size(), 1, 30000);
    QVERIFY(windows(monitor).value(0) != first);

    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QSettings saved(inst.settingsPath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/SerialPort").toString(), QStringLiteral("ttyUSB0"));
}

void TestStartup::signalLogAppendsAcrossRuns()
{
    Installation inst(true);
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    emulator.setDeterministic(true);
    emulator.setSignalPower(-45.5);
    const QString link = inst.dir.filePath("ttyTARN");
    QVERIFY2(emulator.start(link), qPrintable(emulator.errorString()));
    writeSettings(inst, {{"TARN/SerialPort", link}, {"Logger/Interval", 50}});
    const QString logPath = inst.dir.filePath("logs/" + QDate::currentDate().toString("yyyy-MM-dd"));
    auto logLines = [&logPath] {
        QFile file(logPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                              : QStringList();
    };

    QStringList first;
    for (int run = 0; run < 2; ++run) {
        Running program(inst, m_foreign.path());
        QVERIFY(program.process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= first.size() + 5, 10000);
        QVERIFY(program.end());
        if (run == 0)
            first = logLines();
    }
    const QStringList lines = logLines();
    QVERIFY(lines.size() > first.size());
    QCOMPARE(lines.mid(0, first.size()), first);
    const QRegularExpression format(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \"-45\\.500\"$"));
    for (const QString &line : lines)
        QVERIFY2(format.match(line).hasMatch(), qPrintable(line));
}

void TestStartup::stopIsPromptWithALongWait()
{
    // A silent device and a minute's wait for its answer: SIGTERM still ends the program at
    // once, without the worker thread being killed.
    Installation inst(true);
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    const QString link = inst.dir.filePath("ttyTARN");
    QVERIFY2(emulator.start(link), qPrintable(emulator.errorString()));
    emulator.setDropReplies(-1);
    writeSettings(inst, {{"TARN/SerialPort", link}, {"TARN/WaitTimout", 60000}});
    Running program(inst, m_foreign.path());
    QVERIFY(program.process.waitForStarted());
    // Once the request is out, the worker waits for the answer.
    QTRY_VERIFY_WITH_TIMEOUT(emulator.requestsReceived() >= 1, 10000);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(program.end());
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(!program.err.contains("QThread"), qPrintable(program.err));
}

void TestStartup::sigtermWhileLoading()
{
    // A register table large enough that the load takes a while.
    Installation inst(false);
    QStringList statements{"CREATE TABLE regs (num, len, rw, type, purp, desc)", "BEGIN",
                           "INSERT INTO regs VALUES (1, 207, 'R', 'status', '', '')"};
    for (int n = 2; n <= 60000; ++n)
        statements << QStringLiteral("INSERT INTO regs VALUES (%1, 2, 'RW', 'int', 'p', 'd')").arg(n);
    statements << "COMMIT";
    const QString database = inst.dir.filePath("tarn_vex.ddb");
    writeDatabase(database, statements);

    Running program(inst, m_foreign.path());
    QVERIFY(program.process.waitForStarted());
    const qint64 pid = program.process.processId();
    // The signal goes once the table is being read, and it is still being read after the signal.
    QVERIFY(QTest::qWaitFor([&] { return ProcStatus::holdsOpen(pid, database); }, 30000));
    program.signal(SIGTERM);
    QVERIFY2(ProcStatus::holdsOpen(pid, database), "the load ended before the signal came");
    QVERIFY(program.end());
    QSettings saved(inst.settingsPath(), QSettings::IniFormat);
    QCOMPARE(saved.value("TARN/WaitTimout").toInt(), 1000);
}

void TestStartup::sigtermAtTheFirstStatement()
{
    // The earliest moment the program can be seen to run its own code: SIGTERM blocked by the
    // first statement of main(), its handler not yet in place, the application object still
    // being built. The signal waits and still ends the program through its loop. That moment
    // lasts milliseconds: a run in which the test looked too late is tried again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        Installation inst(true);
        Running program(inst, m_foreign.path());
        QVERIFY(program.process.waitForStarted());
        const ProcStatus::Termination seen = ProcStatus::waitForTermination(program.process.processId());
        QVERIFY(seen != ProcStatus::Termination::Unseen);
        if (seen == ProcStatus::Termination::Caught) {
            QVERIFY(program.end());
            continue;
        }
        program.signal(SIGTERM);
        QVERIFY(program.process.waitForFinished(30000));
        QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process.exitCode(), 0);
        QSettings saved(inst.settingsPath(), QSettings::IniFormat);
        QCOMPARE(saved.value("TARN/WaitTimout").toInt(), 1000);
        return;
    }
    QFAIL("SIGTERM was never seen blocked before the program caught it");
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
