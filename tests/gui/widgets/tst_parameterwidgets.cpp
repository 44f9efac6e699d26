// The LCD panel, the parameter spin boxes and the value field, driven with the mouse and keys
// on the offscreen platform.

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextCodec>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>

#include "zfloatspinbox.h"
#include "zlcdpannel.h"
#include "zshowfloatedit.h"
#include "zspinbox.h"

namespace {

const QColor Edited(QStringLiteral("#FFD28A"));
const QColor Mismatch(QStringLiteral("#FF341A"));
const QString Dots = QStringLiteral("........................");

// A window holding one widget under test and a line edit to move the focus to.
struct Host
{
    QWidget window;
    QLineEdit elsewhere;

    explicit Host(QWidget *tested)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(tested);
        layout->addWidget(&elsewhere);
        layout->addStretch();
        window.resize(300, 200);
    }
    bool show()
    {
        window.show();
        return QTest::qWaitForWindowActive(&window);
    }
    QWidget *popup() const { return window.findChild<QWidget *>(QStringLiteral("popup_applyCancel")); }
    QPushButton *popupButton(const char *name) const
    {
        QWidget *strip = popup();
        return strip ? strip->findChild<QPushButton *>(QLatin1String(name)) : nullptr;
    }
};

QColor base(const QWidget *w)
{
    return w->palette().color(QPalette::Active, QPalette::Base);
}

// Ends an edit the way the operator chose.
bool finishEdit(Host &host, QAbstractSpinBox *box, const QString &how)
{
    if (how == QLatin1String("Return"))
        QTest::keyClick(box, Qt::Key_Return);
    else if (how == QLatin1String("Enter"))
        QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    else if (how == QLatin1String("Escape"))
        QTest::keyClick(box, Qt::Key_Escape);
    else {
        QPushButton *button = host.popupButton(how == QLatin1String("apply button") ? "pushButton_apply"
                                                                                      : "pushButton_cancel");
        if (!button)
            return false;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    return true;
}

} // namespace

class TestParameterWidgets : public QObject
{
    Q_OBJECT

private slots:
    void lcdKeys_data();
    void lcdKeys();
    void lcdDisconnectedLook();
    void intSpinBox_data();
    void intSpinBox();
    void floatConfirmation_data();
    void floatConfirmation();
    void popupFollowsFocus();
    void valueField();
};

void TestParameterWidgets::lcdKeys_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    // Where each key sits on the device's own panel.
    QTest::newRow("left") << 1 << 2 << 0;
    QTest::newRow("up") << 2 << 1 << 1;
    QTest::newRow("right") << 3 << 2 << 2;
    QTest::newRow("down") << 4 << 3 << 1;
    QTest::newRow("ok") << 5 << 3 << 2;
    QTest::newRow("R") << 6 << 3 << 0;
    QTest::newRow("ALR") << 7 << 1 << 2;
    QTest::newRow("stop") << 8 << 2 << 1;
    QTest::newRow("ESC") << 9 << 1 << 0;
}

void TestParameterWidgets::lcdKeys()
{
    QFETCH(int, code);
    QFETCH(int, row);
    QFETCH(int, column);
    ZLcdPannel panel;
    panel.show();
    panel.connected();
    auto *key = panel.findChild<QPushButton *>(QString::number(code));
    QVERIFY(key);
    QVERIFY(!key->icon().isNull());
    auto *grid = qobject_cast<QGridLayout *>(key->parentWidget()->layout());
    QVERIFY(grid);
    int r = -1, c = -1, rs, cs;
    grid->getItemPosition(grid->indexOf(key), &r, &c, &rs, &cs);
    QCOMPARE(QPoint(c, r), QPoint(column, row));

    QSignalSpy clicked(&panel, &ZLcdPannel::buttonClicked);
    QTest::mouseClick(key, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), code);
    QTest::mouseClick(key, Qt::LeftButton);
    QCOMPARE(clicked.count(), 2);
}

void TestParameterWidgets::lcdDisconnectedLook()
{
    QTextCodec *const localeCodec = QTextCodec::codecForLocale();
    ZLcdPannel panel;
    // The panel leaves the process's codec alone (it also encodes file names).
    QCOMPARE(QTextCodec::codecForLocale(), localeCodec);
    panel.show();
    auto *top = panel.findChild<QLabel *>(QStringLiteral("label_lcdTop"));
    auto *bottom = panel.findChild<QLabel *>(QStringLiteral("label_lcdBottom"));
    QVERIFY(top && bottom);
    const QList<QPushButton *> keys = panel.findChildren<QPushButton *>();
    QCOMPARE(keys.size(), 9);
    auto allEnabled = [&keys](bool enabled) {
        return std::all_of(keys.begin(), keys.end(), [enabled](QPushButton *k) { return k->isEnabled() == enabled; });
    };
    // Until the device answers: keys off, dotted lines.
    QVERIFY(allEnabled(false));
    QCOMPARE(top->text(), Dots);

    panel.connected();
    QVERIFY(allEnabled(true));
    // The device's text is shown as it came, markup included.
    panel.topLcdChange(QStringLiteral("<b>Частота</b> \u2191"));
    panel.bottomLcdChange(QStringLiteral("P=-45.2"));
    QCOMPARE(top->text(), QStringLiteral("<b>Частота</b> \u2191"));
    QCOMPARE(top->textFormat(), Qt::PlainText);
    QCOMPARE(bottom->text(), QStringLiteral("P=-45.2"));

    panel.disconnected();
    QVERIFY(allEnabled(false));
    QCOMPARE(top->text(), Dots);
    QCOMPARE(bottom->text(), Dots);
    QSignalSpy clicked(&panel, &ZLcdPannel::buttonClicked);
    QTest::mouseClick(keys.first(), Qt::LeftButton);
    QCOMPARE(clicked.count(), 0);
}

void TestParameterWidgets::intSpinBox_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("applied");
    QTest::newRow("Return") << "Return" << true;
    QTest::newRow("keypad Enter") << "Enter" << true;
    QTest::newRow("apply button") << "apply button" << true;
    QTest::newRow("Escape") << "Escape" << false;
    QTest::newRow("cancel button") << "cancel button" << false;
}

void TestParameterWidgets::intSpinBox()
{
    QFETCH(QString, how);
    QFETCH(bool, applied);
    auto *spin = new ZSpinBox;
    spin->setRange(0, 100000);
    Host host(spin);
    QVERIFY(host.show());
    const QColor normal = base(spin);
    QSignalSpy ok(spin, &ZSpinBox::okSelected);
    QSignalSpy cancelled(spin, &ZSpinBox::cancelSelected);

    // A report while nobody edits is simply shown.
    spin->hasValue(100);
    QCOMPARE(spin->value(), 100);
    QCOMPARE(spin->editState(), 0);
    QVERIFY(!host.popup());

    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, "123");
    QCOMPARE(spin->value(), 123);
    QCOMPARE(spin->editState(), 2);
    QCOMPARE(base(spin), Edited);
    QVERIFY(host.popup() && host.popup()->isVisible());

    // A report during the edit does not overwrite it, but is what cancel returns to.
    spin->hasValue(200);
    QCOMPARE(spin->value(), 123);

    QVERIFY(finishEdit(host, spin, how));
    QCOMPARE(ok.count(), applied ? 1 : 0);
    QCOMPARE(cancelled.count(), applied ? 0 : 1);
    if (applied)
        QCOMPARE(ok.at(0).at(0).toInt(), 123);
    QCOMPARE(spin->value(), applied ? 123 : 200);
    QCOMPARE(spin->editState(), 0);
    QCOMPARE(base(spin), normal);
    QTRY_VERIFY(!host.popup());

    // With the focus still on it, the device's next report is shown, not taken as an edit.
    spin->setFocus();
    spin->hasValue(300);
    QCOMPARE(spin->value(), 300);
    QCOMPARE(spin->editState(), 0);
    QCOMPARE(base(spin), normal);
    QVERIFY(!host.popup());
}

void TestParameterWidgets::floatConfirmation_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("before");
    QTest::addColumn<QString>("how");
    QTest::addColumn<double>("report"); // NaN: the device says nothing
    QTest::addColumn<bool>("taken");
    const double none = std::nan("");
    QTest::newRow("reported as applied") << 2 << 0.5 << "Return" << 1.5 << true;
    QTest::newRow("reported as applied, button") << 2 << -46.25 << "apply button" << -45.25 << true;
    QTest::newRow("reported otherwise") << 2 << 0.5 << "Return" << 1.25 << false;
    QTest::newRow("report rounded to two decimals") << 2 << 0.5 << "Return" << 1.504 << true;
    // The applied value is not rounded: three decimals never compare equal.
    QTest::newRow("three decimals") << 3 << 0.234 << "Return" << 1.234 << false;
    QTest::newRow("no report in 2 s") << 2 << 0.5 << "Return" << none << false;
}

void TestParameterWidgets::floatConfirmation()
{
    QFETCH(int, decimals);
    QFETCH(double, before);
    QFETCH(QString, how);
    QFETCH(double, report);
    QFETCH(bool, taken);
    auto *spin = new ZFloatSpinBox;
    spin->setDecimals(decimals);
    spin->setRange(-120, 120);
    Host host(spin);
    QVERIFY(host.show());
    const QColor normal = base(spin);
    QSignalSpy ok(spin, &ZFloatSpinBox::okSelected);

    spin->hasValue(float(before));
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up); // one step of 1.0
    QCOMPARE(spin->editState(), 2);
    QVERIFY(finishEdit(host, spin, how));
    QCOMPARE(ok.count(), 1);
    QCOMPARE(ok.at(0).at(0).toFloat(), float(before + 1.0));
    // Waiting for the device: still amber, no strip.
    QCOMPARE(spin->editState(), 1);
    QCOMPARE(base(spin), Edited);
    QTRY_VERIFY(!host.popup());

    auto *timer = spin->findChild<QTimer *>(QStringLiteral("timer_confirm"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 2000);

    if (std::isnan(report)) {
        QTRY_COMPARE_WITH_TIMEOUT(base(spin), Mismatch, 4000);
    } else {
        spin->hasValue(float(report));
        QCOMPARE(base(spin), taken ? normal : Mismatch);
        QCOMPARE(spin->value(), QString::number(report, 'f', decimals).toDouble());
        // An answered wait does not turn red when its time is up.
        QVERIFY(!timer->isActive());
    }
    QCOMPARE(spin->editState(), 0);
}

void TestParameterWidgets::popupFollowsFocus()
{
    auto *spin = new ZSpinBox;
    spin->setRange(0, 1000);
    Host host(spin);
    QVERIFY(host.show());
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    QWidget *strip = host.popup();
    QVERIFY(strip);
    // Directly under the spin box, as wide as its contents.
    const QPoint underneath = spin->mapTo(&host.window, QPoint(spin->contentsRect().left(), spin->height()));
    QCOMPARE(strip->geometry(), QRect(underneath, QSize(spin->contentsRect().width(), spin->height())));

    // Clicking elsewhere hides the strip but keeps the unfinished edit.
    QTest::mouseClick(&host.elsewhere, Qt::LeftButton);
    QTRY_VERIFY(!host.popup());
    QCOMPARE(spin->editState(), 2);
    QCOMPARE(base(spin), Edited);

    // Coming back brings it again. Pressing a button of the strip keeps it; leaving the button
    // without a click and clicking elsewhere takes it away, and nothing is cancelled.
    QSignalSpy ok(spin, &ZSpinBox::okSelected);
    QSignalSpy cancelled(spin, &ZSpinBox::cancelSelected);
    QTest::mouseClick(spin, Qt::LeftButton);
    QTRY_VERIFY(host.popup());
    QPushButton *cancel = host.popupButton("pushButton_cancel");
    QTest::mousePress(cancel, Qt::LeftButton);
    QVERIFY(cancel->hasFocus() && host.popup()->isVisible());
    QTest::mouseRelease(cancel, Qt::LeftButton, {}, QPoint(-30, -30));
    QTest::mouseClick(&host.elsewhere, Qt::LeftButton);
    QTRY_VERIFY(!host.popup());
    QCOMPARE(cancelled.count(), 0);
    QCOMPARE(spin->editState(), 2);

    QTest::mouseClick(spin, Qt::LeftButton);
    QTRY_VERIFY(host.popup());
    QPushButton *apply = host.popupButton("pushButton_apply");
    QTest::mousePress(apply, Qt::LeftButton);
    QVERIFY(apply->hasFocus() && host.popup()->isVisible());
    QTest::mouseRelease(apply, Qt::LeftButton);
    QCOMPARE(ok.count(), 1);
    QCOMPARE(ok.at(0).at(0).toInt(), 1);
    QTRY_VERIFY(!host.popup());
}

void TestParameterWidgets::valueField()
{
    ZShowFloatEdit field;
    field.enableShow();
    field.showValue(-45.12349f);
    QCOMPARE(field.text(), QStringLiteral("-45.123"));
    QVERIFY(field.isEnabled());
    field.disableShow();
    QVERIFY(!field.isEnabled());
    QVERIFY(field.text().isEmpty());
}

QTEST_MAIN(TestParameterWidgets)
#include "tst_parameterwidgets.moc"
