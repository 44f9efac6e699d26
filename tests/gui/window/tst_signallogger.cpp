// The signal log: the question about a missing directory, a day's file that cannot be opened,
// the line written, and the main window writing nothing while the receiver is not connected.

#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "signallogger.h"
#include "tarnwindow.h"
#include "zdevicefactory.h"
#include "zstartup.h"
#include "ztarnvex.h"

namespace {

QString todaysName()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

class TestSignalLogger : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    // Runs first: afterwards the handler is installed for the rest of the process.
    void declinedDirectoryLogsNothing();
    void unopenableFileIsSaidAndRetried();
    void nothingWhileDisconnected();

private:
    QTemporaryDir m_base;
};

void TestSignalLogger::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    ZStartup::useSettingsFileIn(m_base.path());
}

void TestSignalLogger::declinedDirectoryLogsNothing()
{
    const QString dir = m_base.filePath("logs");
    int questions = 0;
    QString text;
    bool yesIsDefault = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        ++questions;
        text = box->windowTitle() + '|' + box->text();
        yesIsDefault = static_cast<QAbstractButton *>(box->defaultButton()) == box->button(QMessageBox::Yes);
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    QVERIFY(!setupSignalLogger(dir));
    QCOMPARE(questions, 1);
    QCOMPARE(text, QStringLiteral("Логирование|Дирректория файлов логов %1 не существует , создать дирректорию?").arg(dir));
    QVERIFY(yesIsDefault);
    QVERIFY(signalLogDirectory().isEmpty());
    qCInfo(signalLogCategory) << QStringLiteral("-45.500");
    QVERIFY(!QFileInfo::exists(dir));
    QVERIFY(QDir(m_base.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

void TestSignalLogger::unopenableFileIsSaidAndRetried()
{
    const QString dir = m_base.filePath("logs");
    QVERIFY(QDir().mkdir(dir));
    QVERIFY(setupSignalLogger(dir));
    // A directory where the day's file should be: not even root can open it as a file.
    const QString path = dir + '/' + todaysName();
    QVERIFY(QDir().mkdir(path));

    TarnWindow window;
    qCInfo(signalLogCategory) << QStringLiteral("-45.500");
    QTRY_VERIFY(window.statusBar()->currentMessage().startsWith(QStringLiteral("Cannot create log file")));
    window.statusBar()->clearMessage();
    qCInfo(signalLogCategory) << QStringLiteral("-45.500");
    QTest::qWait(50);
    QVERIFY2(window.statusBar()->currentMessage().isEmpty(), "one failure, one message");

    // The next message after the obstacle is gone starts the file.
    QVERIFY(QDir().rmdir(path));
    qCInfo(signalLogCategory) << QStringLiteral("-45.500");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(file.readAll());
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \"-45\\.500\"\n$"))
                 .match(line).hasMatch(), qPrintable(line));
    QVERIFY(line.startsWith(todaysName() + ' '));
}

void TestSignalLogger::nothingWhileDisconnected()
{
    {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        settings->setValue("Logger/Interval", 10);
        settings->setValue("Logger/Enable", true);
    }
    const QString path = signalLogDirectory() + '/' + todaysName();
    const qint64 before = QFileInfo(path).size();
    const std::unique_ptr<ZTarnVex> device = ZDeviceFactory::createTarnVex(QStringLiteral(TARN_DB_PATH));
    TarnWindow window;
    window.setDevice(device.get());
    auto *timer = window.findChild<QTimer *>(QStringLiteral("loggerTimer"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 10);
    QTest::qWait(200);
    QCOMPARE(QFileInfo(path).size(), before);
}

QTEST_MAIN(TestSignalLogger)
#include "tst_signallogger.moc"
