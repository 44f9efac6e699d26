// The window loop with a receiver talking to the emulator: the restart question rebuilds the
// window around the running device and brings the exchange monitor, one at a time; "No" changes
// nothing, and "Выход" ends the loop with 0.

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>

#include <functional>
#include <memory>

#include "emulatorrig.h"
#include "tarnwindow.h"
#include "zconsole.h"
#include "zexchangetext.h"
#include "zmonitor.h"
#include "zshowfloatedit.h"
#include "zstartup.h"
#include "zwindowloop.h"

namespace {

// Answers the next question box with `button` as soon as it is up.
void answer(QMessageBox::StandardButton button, QString *title)
{
    QTimer::singleShot(0, [button, title] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        *title = box->windowTitle();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}

QAction *action(TarnWindow *window, const char *name)
{
    return window->findChild<QAction *>(QLatin1String(name));
}

bool showsLiveValues(TarnWindow *window)
{
    auto *signal = window->findChild<ZShowFloatEdit *>(QStringLiteral("lineEdit_signal"));
    return signal->isEnabled() && signal->text() == QStringLiteral("-62.000");
}

} // namespace

class TestWindowLoop : public QObject
{
    Q_OBJECT

private slots:
    void restartKeepsTheDeviceAndExitEnds();
};

void TestWindowLoop::restartKeepsTheDeviceAndExitEnds()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    EmulatorRig rig;
    ZStartup::useSettingsFileIn(rig.dir.path());
    {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        settings->setValue("Logger/Enable", false);
    }
    QVERIFY(rig.startEmulator());
    ZTarnVex *device = rig.device.get();
    device->start();
    int disconnections = 0;
    connect(device, &ZAbstractDevice::disconnected, [&disconnections] { ++disconnections; });

    auto loop = std::make_unique<ZWindowLoop>(device, 321, ZStartup::Places());
    QPointer<TarnWindow> first;
    QPointer<ZMonitor> monitor;
    QString question;
    bool secondShowedAtOnce = false;
    int oldLogLines = 0;
    auto restart = [&](TarnWindow *window) {
        answer(QMessageBox::Yes, &question);
        action(window, "action_monitor")->trigger();
    };
    // Step n runs once, early in pass n.
    const std::vector<std::function<void()>> steps = {
        [&] {
            first = loop->window();
            QCOMPARE(first->windowTitle(), QStringLiteral("Велькор 2.0 (14.02.19)"));
            QVERIFY(first->isVisible());
            QVERIFY(!loop->monitor()); // never at start-up
            QVERIFY(QTest::qWaitFor([&] { return showsLiveValues(first); }, 5000));
            disconnections = 0; // from here on the link must stay up
            restart(first);
        },
        [&] {
            TarnWindow *second = loop->window();
            QVERIFY(second != first.data());
            secondShowedAtOnce = showsLiveValues(second);
            QCOMPARE(second->findChild<QSpinBox *>(QStringLiteral("spinBox_logInterval"))->value(), 321);
            monitor = loop->monitor();
            QVERIFY(monitor && monitor->isVisible());
            QCOMPARE(monitor->windowTitle(), QStringLiteral("Монитор обмена ТАРН"));
            QVERIFY(monitor->testAttribute(Qt::WA_DeleteOnClose));
            QTest::keyClicks(monitor->console(), QStringLiteral("set askinterval 10"));
            QTest::keyClick(monitor->console(), Qt::Key_Return);
            QVERIFY(!monitor->console()->isLocked());
            QString noQuestion;
            answer(QMessageBox::No, &noQuestion);
            action(second, "action_monitor")->trigger();
            QTest::qWait(100);
            QCOMPARE(loop->window(), second);
            restart(second);
        },
        [&] {
            // The open monitor stays as it is.
            QCOMPARE(loop->monitor(), monitor.data());
            QCOMPARE(monitor->console()->commandHistory(), QStringList{"set askinterval 10"});
            QVERIFY(QTest::qWaitFor([&] { return monitor->sentLog()->lineCount() > 100; }, 5000));
            oldLogLines = monitor->sentLog()->lineCount();
            monitor->close();
            QVERIFY(QTest::qWaitFor([&] { return !monitor && !loop->monitor(); }, 5000));
            restart(loop->window());
        },
        [&] {
            ZMonitor *fresh = loop->monitor();
            QVERIFY(fresh);
            QVERIFY(fresh->console()->commandHistory().isEmpty());
            QVERIFY(fresh->console()->toPlainText().startsWith(QLatin1String("Monitor created, device status:")));
            QVERIFY(fresh->sentLog()->lineCount() < oldLogLines);
            action(loop->window(), "action_exit")->trigger();
        },
    };
    size_t done = 0;
    QTimer driver;
    connect(&driver, &QTimer::timeout, [&] {
        if (size_t(loop->passes()) > done && done < steps.size()) {
            steps[done++]();
            // A failed check ends the loop at once instead of leaving it to the watchdog.
            if (QTest::currentTestFailed())
                QCoreApplication::exit(98);
        }
    });
    driver.start(20);
    // Nothing may keep the loop from ending.
    QTimer::singleShot(60000, [] { QCoreApplication::exit(99); });
    const int code = loop->exec();

    QCOMPARE(code, 0);
    QCOMPARE(done, steps.size());
    QCOMPARE(question, QStringLiteral("ВНИМАНИЕ!"));
    QCOMPARE(loop->passes(), 4);
    QVERIFY(!first); // the first window was destroyed
    QVERIFY2(secondShowedAtOnce, "the new window shows the device's state from its first moment");
    QCOMPARE(disconnections, 0);
    QVERIFY(device->isConnected());
    rig.device.reset();
    loop.reset();
}

QTEST_MAIN(TestWindowLoop)
#include "tst_zwindowloop.moc"
