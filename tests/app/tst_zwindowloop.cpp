// The window loop with a receiver talking to the emulator: the restart question rebuilds the
// window around the running device, "No" changes nothing, and "Выход" ends the loop with 0.

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

#include "tarnwindow.h"
#include "zabstractconnection.h"
#include "emulatorport.h"
#include "zdeviceemulator.h"
#include "zdevicefactory.h"
#include "zshowfloatedit.h"
#include "zstartup.h"
#include "ztarnvex.h"
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
    QTemporaryDir dir;
    ZStartup::useSettingsFileIn(dir.path());
    {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        settings->setValue("Logger/Enable", false);
    }
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    emulator.setDeterministic(true);
    QVERIFY(emulator.start(dir.filePath("ttyTARN")));
    std::unique_ptr<ZTarnVex> device = ZDeviceFactory::createTarnVex(QStringLiteral(TARN_DB_PATH));
    pointAtEmulator(device.get(), emulator);
    device->start();
    int disconnections = 0;
    connect(device.get(), &ZAbstractDevice::disconnected, [&disconnections] { ++disconnections; });

    auto loop = std::make_unique<ZWindowLoop>(device.get(), 321);
    QPointer<TarnWindow> first;
    QString question;
    bool secondShowedAtOnce = false;
    // Nothing may keep the loop from ending.
    QTimer::singleShot(30000, [] { QCoreApplication::exit(99); });
    QTimer::singleShot(0, [&] {
        first = loop->window();
        QCOMPARE(first->windowTitle(), QStringLiteral("Велькор 2.0 (14.02.19)"));
        QVERIFY(first->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return showsLiveValues(first); }, 5000));
        disconnections = 0; // from here on the link must stay up
        answer(QMessageBox::Yes, &question);
        action(first, "action_monitor")->trigger();
        // Runs in the next pass.
        QTimer::singleShot(0, [&] {
            TarnWindow *second = loop->window();
            QVERIFY(second != first.data());
            secondShowedAtOnce = showsLiveValues(second);
            QCOMPARE(second->findChild<QSpinBox *>(QStringLiteral("spinBox_logInterval"))->value(), 321);
            QString noQuestion;
            answer(QMessageBox::No, &noQuestion);
            action(second, "action_monitor")->trigger();
            QTest::qWait(100);
            QCOMPARE(loop->window(), second);
            action(second, "action_exit")->trigger();
        });
    });
    const int code = loop->exec();

    QCOMPARE(code, 0);
    QCOMPARE(question, QStringLiteral("ВНИМАНИЕ!"));
    QCOMPARE(loop->passes(), 2);
    QVERIFY(!first); // the first window was destroyed
    QVERIFY2(secondShowedAtOnce, "the new window shows the device's state from its first moment");
    QCOMPARE(disconnections, 0);
    QVERIFY(device->isConnected());
    device.reset();
    loop.reset();
}

QTEST_MAIN(TestWindowLoop)
#include "tst_zwindowloop.moc"
