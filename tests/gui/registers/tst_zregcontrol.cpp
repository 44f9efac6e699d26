// The register dialog against the whole stack: a real receiver model whose serial worker talks
// through a pseudo-terminal to the emulator. Driven with mouse and keys on the offscreen platform.

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "emulatorrig.h"
#include "testbytes.h"
#include "transaction.h"
#include "zregcontrol.h"
#include "zregmodel.h"
#include "zstartup.h"
#include "ztableview.h"

namespace {

const int StatusRegister = 1;

// The dialog on a receiver model connected to the emulator.
class Rig : public EmulatorRig
{
public:
    // `tweak` may change the register table before the dialog sees it.
    explicit Rig(const std::function<void(RegisterTable *)> &tweak = {})
    {
        if (tweak)
            tweak(device->registers());
        dialog = new ZRegControl;
        dialog->setDevice(device.get());
        dialog->show();
    }
    ~Rig() { delete dialog; }

    ZTableView *view() const { return dialog->findChild<ZTableView *>(); }
    QProgressBar *bar() const { return dialog->findChild<QProgressBar *>(); }
    QComboBox *filter() const { return dialog->findChild<QComboBox *>(); }
    QPushButton *button(const QString &text) const
    {
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == text)
                return b;
        return nullptr;
    }

    // The register numbers the view lists, top to bottom.
    QList<int> listed() const
    {
        QList<int> numbers;
        for (int row = 0; row < view()->model()->rowCount(); ++row)
            numbers << view()->model()->index(row, 0).data().toInt();
        return numbers;
    }
    QModelIndex cell(int number, int column) const
    {
        const int row = listed().indexOf(number);
        return row < 0 ? QModelIndex() : view()->model()->index(row, column);
    }
    QList<int> readable() const
    {
        QList<int> numbers;
        for (int number : listed())
            if (reg(number)->rw() != WriteOnly)
                numbers << number;
        return numbers;
    }

    // Makes the register's row current with a click on its description.
    void select(int number)
    {
        const QModelIndex index = cell(number, ZRegModel::ColumnDescription);
        view()->scrollTo(index);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view()->visualRect(index).center());
    }
    // Opens the value editor of the register with Return.
    QLineEdit *openEditor(int number)
    {
        select(number);
        QTest::keyClick(view(), Qt::Key_Return);
        return qobject_cast<QLineEdit *>(QApplication::focusWidget());
    }
    quint64 requests(int number) const { return emulator.requestsByRegister().value(number); }

    QPointer<ZRegControl> dialog;
};

} // namespace

class TestZRegControl : public QObject
{
    Q_OBJECT

private slots:
    // Where the dialogs keep their place: a settings file of the test's own.
    void initTestCase() { ZStartup::useSettingsFileIn(m_settingsDir.path()); }
    void sixColumnsAndPlaceKept();
    void filters_data();
    void filters();
    void groupReadOfAll_data();
    void groupReadOfAll();
    void groupReadOverNothingAndCancel();
    void groupReadPastAFailingStatusPoll();
    void groupReadWithoutLink();
    void closingDuringGroupRead();
    void editing_data();
    void editing();
    void editDropped_data();
    void editDropped();
    void readByKeyAndMenu_data();
    void readByKeyAndMenu();

private:
    QTemporaryDir m_settingsDir;
};

void TestZRegControl::sixColumnsAndPlaceKept()
{
    QRect left;
    {
        Rig rig;
        QHeaderView *header = rig.view()->horizontalHeader();
        QCOMPARE(header->count(), 6);
        for (int column = 0; column < header->count(); ++column)
            QVERIFY2(!header->isSectionHidden(column) && header->sectionSize(column) > 0, qPrintable(QString::number(column)));
        rig.dialog->setGeometry(40, 50, 610, 410);
        left = rig.dialog->geometry();
    }
    ZRegControl again;
    again.show();
    QCOMPARE(again.geometry(), left);
}

void TestZRegControl::filters_data()
{
    QTest::addColumn<QString>("tweak");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QList<int>>("numbers");

    const QList<int> all{1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 15, 18, 20, 21, 22, 23, 24, 25,
                         30, 31, 32, 33, 34, 79, 65530, 65531, 65535};
    QTest::newRow("without status") << "" << "Без статусных" << all.mid(1);
    QTest::newRow("all") << "" << "Все" << all;
    QTest::newRow("one purpose") << "" << "Настройка" << QList<int>{15, 18, 20, 21, 22, 23, 24, 25};
    // Purposes are patterns as they stand: a dot in one matches any letter of another.
    QTest::newRow("purpose with a dot") << "dot" << "Изм.рения" << QList<int>{10, 11, 12, 13};
    QTest::newRow("status purpose an alternation") << "alternation" << "Без статусных"
                                                   << QList<int>{2, 4, 5, 6, 7, 10, 11, 12, 13, 15, 18, 20, 21,
                                                                 22, 23, 24, 25, 30, 31, 32, 33, 34};
    QTest::newRow("empty status purpose") << "empty" << "Без статусных" << QList<int>();
}

void TestZRegControl::filters()
{
    QFETCH(QString, tweak);
    QFETCH(QString, item);
    QFETCH(QList<int>, numbers);

    Rig rig([&tweak](RegisterTable *table) {
        if (tweak == QLatin1String("dot"))
            findRegister(table, 10)->setPurpose(QStringLiteral("Изм.рения"));
        else if (tweak == QLatin1String("alternation"))
            findRegister(table, StatusRegister)->setPurpose(QStringLiteral("Стат|Серв"));
        else if (tweak == QLatin1String("empty"))
            findRegister(table, StatusRegister)->setPurpose(QString());
    });
    QStringList items;
    for (int i = 0; i < rig.filter()->count(); ++i)
        items << rig.filter()->itemText(i);
    if (tweak.isEmpty())
        QCOMPARE(items, QStringList({"Без статусных", "Все", "Статус", "Идентификация", "Сервис",
                                     "Измерения", "Настройка", "Конфигурация"}));
    QCOMPARE(rig.filter()->currentIndex(), 0);
    QVERIFY(items.contains(item));
    rig.filter()->setCurrentIndex(items.indexOf(item));
    QCOMPARE(rig.listed(), numbers);
    // Not connected: nothing can be read or edited.
    QVERIFY(!rig.view()->isEnabled());
    QVERIFY(!rig.button(QStringLiteral("Прочитать группу"))->isEnabled());
}

void TestZRegControl::groupReadOfAll_data()
{
    // -1: the emulator's pseudo-terminal itself; otherwise ser2net in front of it.
    QTest::addColumn<int>("server");
    QTest::newRow("serial") << -1;
    QTest::newRow("tcp") << int(Ser2NetServer::RawTcp);
    QTest::newRow("rfc2217") << int(Ser2NetServer::Rfc2217);
}

void TestZRegControl::groupReadOfAll()
{
    QFETCH(int, server);
    Rig rig;
    if (server >= 0)
        QVERIFY(rig.startServer(Ser2NetServer::Kind(server)));
    QVERIFY(rig.connect());
    QVERIFY(rig.view()->isEnabled());
    rig.filter()->setCurrentIndex(1);
    const QList<int> readable = rig.readable();
    QCOMPARE(readable.size(), 25);

    QStringList texts;
    bool enabledDuring = false;
    connect(rig.bar(), &QProgressBar::valueChanged, rig.dialog, [&] {
        texts << rig.bar()->text();
        enabledDuring = enabledDuring || rig.view()->isEnabled()
                        || rig.button(QStringLiteral("Прочитать регистр"))->isEnabled()
                        || rig.button(QStringLiteral("Прочитать группу"))->isEnabled();
    });
    QTest::mouseClick(rig.button(QStringLiteral("Прочитать группу")), Qt::LeftButton);
    QVERIFY(rig.device->isBlocked());
    QVERIFY(rig.bar()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.bar()->isVisible(), 10000);

    QStringList expected;
    for (int i = 0; i < readable.size(); ++i)
        expected << QStringLiteral("Чтение регистра %1 [%2/25]").arg(readable.at(i)).arg(i + 1);
    QCOMPARE(texts, expected);
    QVERIFY(!enabledDuring);
    for (int number : readable)
        QVERIFY2(rig.reg(number)->state() == StateRead, qPrintable(QString::number(number)));
    QVERIFY(!rig.device->isBlocked());
    QVERIFY(rig.view()->isEnabled());
    QVERIFY(rig.button(QStringLiteral("Прочитать группу"))->isEnabled());
    QVERIFY(!rig.button(QStringLiteral("Отмена"))->isVisible());
    // Rows in their state's colour, the failed status aside.
    QCOMPARE(rig.cell(65531, ZRegModel::ColumnValue).data().toString(), QStringLiteral("v2.4.1 2026-03"));
    QCOMPARE(rig.cell(7, ZRegModel::ColumnValue).data().toString(), QStringLiteral("20$25$11$07$14$30$00$00"));
    QCOMPARE(rig.cell(34, ZRegModel::ColumnValue).data().toString(), QStringLiteral("Только запись"));
}

void TestZRegControl::groupReadOverNothingAndCancel()
{
    Rig rig([](RegisterTable *table) { findRegister(table, StatusRegister)->setPurpose(QString()); });
    QVERIFY(rig.connect());
    QVERIFY(rig.listed().isEmpty());

    QTest::mouseClick(rig.button(QStringLiteral("Прочитать группу")), Qt::LeftButton);
    QVERIFY(rig.device->isBlocked());
    QCOMPARE(rig.bar()->format(), QStringLiteral("Чтение регистра 0 [%v/0]"));
    QPushButton *cancel = rig.button(QStringLiteral("Отмена"));
    QVERIFY(cancel->isVisible());
    QVERIFY(!rig.view()->isEnabled());

    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!rig.device->isBlocked());
    QVERIFY(!rig.bar()->isVisible());
    QVERIFY(!cancel->isVisible());
    QVERIFY(rig.view()->isEnabled());
}

// A status poll is on the line, its reply lost, when the group read starts: its time-out must
// not be taken for the first register's answer.
void TestZRegControl::groupReadPastAFailingStatusPoll()
{
    Rig rig;
    QVERIFY(rig.connect());
    const QList<int> readable = rig.readable();

    rig.emulator.setDropReplies(-1);
    const quint64 polls = rig.requests(StatusRegister);
    QVERIFY(QTest::qWaitFor([&] { return rig.requests(StatusRegister) > polls; }, 10000));
    rig.emulator.setDropReplies(0);
    QSignalSpy timeouts(rig.device.get(), &ZAbstractDevice::paketTimeout);

    QTest::mouseClick(rig.button(QStringLiteral("Прочитать группу")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.bar()->isVisible(), 10000);
    QCOMPARE(timeouts.count(), 1);
    QCOMPARE(timeouts.first().first(), QVariant(StatusRegister));
    for (int number : readable) {
        QVERIFY2(rig.reg(number)->state() == StateRead, qPrintable(QString::number(number)));
        QCOMPARE(rig.requests(number), quint64(1));
    }
}

void TestZRegControl::groupReadWithoutLink()
{
    Rig rig;
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->windowTitle() + QLatin1Char('/') + box->text();
            box->accept();
        }
    });
    rig.dialog->readGroup();
    QCOMPARE(shown, QStringLiteral("Ошибка/Нет соединения с устройством"));
    QVERIFY(!rig.device->isBlocked());
    QVERIFY(!rig.bar()->isVisible());
}

void TestZRegControl::closingDuringGroupRead()
{
    Rig rig;
    QVERIFY(rig.connect());
    rig.dialog->setAttribute(Qt::WA_DeleteOnClose);
    QTest::mouseClick(rig.button(QStringLiteral("Прочитать группу")), Qt::LeftButton);
    QVERIFY(rig.device->isBlocked());
    QVERIFY(rig.device->queueSize() > 0);

    rig.dialog->close();
    QTRY_VERIFY(rig.dialog.isNull());
    QVERIFY(!rig.device->isBlocked());
    QVERIFY(!rig.device->isPaused());
    QCOMPARE(rig.device->queueSize(), 0);
    QSignalSpy polled(rig.device.get(), &ZAbstractDevice::statusRcv);
    QVERIFY(polled.wait(2000));
}

void TestZRegControl::editing_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("altered");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QVariant>("shown");

    QTest::newRow("float, comma") << 15 << "-55,5" << false << TestBytes::leFloat(-55.5f) << QVariant(-55.5f);
    QTest::newRow("float, point") << 22 << "-17.25" << false << TestBytes::leFloat(-17.25f) << QVariant(-17.25f);
    QTest::newRow("float, word comma") << 25 << "1comma5" << false << TestBytes::leFloat(1.5f) << QVariant(1.5f);
    QTest::newRow("int") << 18 << "71000" << false << TestBytes::le32(71000) << QVariant(71000u);
    QTest::newRow("largest 4-byte int") << 33 << "4294967295" << false << TestBytes::le32(4294967295u)
                                        << QVariant(4294967295u);
    QTest::newRow("string") << 30 << "CALL-7" << false << QByteArray("CALL-7").append(10, '\0') << QVariant("CALL-7");
    QTest::newRow("altered by the device") << 24 << "200" << true << TestBytes::le16(201)
                                           << QVariant("Несовпадение значения при записи, записано 200 получено 201");
}

// The operators' locale writes a comma for the decimal point; the editor takes all three forms.
void TestZRegControl::editing()
{
    QFETCH(int, number);
    QFETCH(QString, typed);
    QFETCH(bool, altered);
    QFETCH(QByteArray, stored);
    QFETCH(QVariant, shown);

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Rig rig;
    QVERIFY(rig.connect());
    rig.filter()->setCurrentIndex(1);
    if (altered)
        rig.emulator.setAlterWrites(1);

    QStringList passed;
    connect(rig.device.get(), &ZAbstractDevice::paketRcv, rig.dialog, [&](const QVariant &id) {
        if (id == QVariant(number))
            passed << rig.cell(number, ZRegModel::ColumnValue).data().toString();
    });
    QLineEdit *edit = rig.openEditor(number);
    QLocale::setDefault(before);
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
    QTest::keyClick(edit, Qt::Key_Return);

    const int finalState = altered ? StateFailed : StateConfirmed;
    QTRY_COMPARE_WITH_TIMEOUT(rig.reg(number)->state(), finalState, 5000);
    QCOMPARE(rig.emulator.registerBytes(number), stored);
    const QModelIndex cell = rig.cell(number, ZRegModel::ColumnValue);
    QCOMPARE(cell.data(), shown);
    QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(),
             altered ? QColor(254, 103, 76) : QColor(196, 248, 243));
    if (!altered)
        QCOMPARE(passed, QStringList({"Подтверждение...", cell.data().toString()}));
}

void TestZRegControl::editDropped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("rowShift");

    QTest::newRow("Up") << "999" << int(Qt::Key_Up) << -1;
    QTest::newRow("Down") << "999" << int(Qt::Key_Down) << 1;
    // Opened and left as it was: a register never read is not overwritten with 0.
    QTest::newRow("Return, nothing typed") << "" << int(Qt::Key_Return) << 0;
    QTest::newRow("Escape") << "999" << int(Qt::Key_Escape) << 0;
}

void TestZRegControl::editDropped()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, rowShift);

    Rig rig;
    QVERIFY(rig.connect());
    const int number = 24;
    const int row = rig.listed().indexOf(number);
    QLineEdit *edit = rig.openEditor(number);
    QVERIFY(edit);
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key(key));

    QTRY_VERIFY(!rig.view()->indexWidget(rig.cell(number, ZRegModel::ColumnValue)));
    QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
    QCOMPARE(rig.view()->currentIndex().row(), row + rowShift);
    QTest::qWait(300);
    QCOMPARE(rig.requests(number), quint64(0));
    QCOMPARE(rig.reg(number)->state(), int(StateNone));
}

void TestZRegControl::readByKeyAndMenu_data()
{
    QTest::addColumn<bool>("menu");
    QTest::newRow("Right key") << false;
    QTest::newRow("context menu") << true;
}

void TestZRegControl::readByKeyAndMenu()
{
    QFETCH(bool, menu);

    Rig rig;
    QVERIFY(rig.connect());
    const int number = 21;
    rig.select(number);
    if (menu) {
        const QRect cell = rig.view()->visualRect(rig.cell(number, ZRegModel::ColumnDescription));
        QContextMenuEvent event(QContextMenuEvent::Mouse, cell.center(),
                                rig.view()->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(rig.view()->viewport(), &event);
        QMenu *popup = rig.dialog->findChild<QMenu *>();
        QVERIFY(popup);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->actions().size(), 1);
        QCOMPARE(popup->actions().first()->text(), QStringLiteral("Прочитать регистр"));
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier,
                          popup->actionGeometry(popup->actions().first()).center());
    } else {
        QTest::keyClick(rig.view(), Qt::Key_Right);
    }
    QTRY_COMPARE(rig.reg(number)->state(), int(StateRead));
    QCOMPARE(rig.cell(number, ZRegModel::ColumnValue).data(), QVariant(50));
}

QTEST_MAIN(TestZRegControl)
#include "tst_zregcontrol.moc"
