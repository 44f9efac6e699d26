// The command console on its own: which keys reach the input line, the command grammar, locking,
// device lines arriving while the operator types, and the history.

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTextBlock>
#include <QtTest>

#include "zconsole.h"

namespace {

void press(ZConsole *console, int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(console, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(console, &up);
}

// Types `script`: plain characters as they are, "{Name}" for a special key or combination.
void type(ZConsole *console, const QString &script)
{
    struct Special { const char *name; int key; Qt::KeyboardModifiers modifiers; const char *text; };
    static const Special specials[] = {
        {"Left", Qt::Key_Left, Qt::NoModifier, ""},
        {"Home", Qt::Key_Home, Qt::NoModifier, ""},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, ""},
        {"Tab", Qt::Key_Tab, Qt::NoModifier, "\t"},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, "\b"},
        {"Return", Qt::Key_Return, Qt::NoModifier, "\r"},
        {"Enter", Qt::Key_Enter, Qt::KeypadModifier, "\r"},
        {"Up", Qt::Key_Up, Qt::NoModifier, ""},
        {"Down", Qt::Key_Down, Qt::NoModifier, ""},
        {"Shift+B", Qt::Key_B, Qt::ShiftModifier, "B"},
        {"Ctrl+A", Qt::Key_A, Qt::ControlModifier, "\x01"},
        {"Alt+A", Qt::Key_A, Qt::AltModifier, "a"},
        {"Kp5", Qt::Key_5, Qt::KeypadModifier, "5"},
    };
    for (int i = 0; i < script.size(); ++i) {
        const QChar c = script.at(i);
        if (c != QLatin1Char('{')) {
            press(console, c.toUpper().unicode(), Qt::NoModifier, QString(c));
            continue;
        }
        const int end = script.indexOf(QLatin1Char('}'), i);
        const QString name = script.mid(i + 1, end - i - 1);
        i = end;
        if (name == QLatin1String("Cyr")) {
            // A Cyrillic letter: its key code is the letter's own, far above the Latin range.
            press(console, 0x0414, Qt::NoModifier, QStringLiteral("д"));
            continue;
        }
        bool found = false;
        for (const Special &s : specials) {
            if (name == QLatin1String(s.name)) {
                press(console, s.key, s.modifiers, QString::fromLatin1(s.text));
                found = true;
            }
        }
        QVERIFY2(found, qPrintable(name));
    }
}

QStringList lines(const ZConsole *console)
{
    return console->toPlainText().split(QLatin1Char('\n'));
}

QString lastLine(const ZConsole *console)
{
    return console->document()->lastBlock().text();
}

QList<ConsoleCommand> table()
{
    return {{QStringLiteral("start"), {}},
            {QStringLiteral("stop"), {}},
            {QStringLiteral("set"), {QStringLiteral("autoask"), QStringLiteral("askinterval")}}};
}

// A console with the monitor's kind of command table and a prompt, as the operator finds it.
struct Console
{
    ZConsole console;
    QSignalSpy commands{&console, &ZConsole::command};

    Console()
    {
        console.setCommands(table());
        console.output(QStringLiteral("Monitor created, device status:"));
        console.resize(400, 200);
    }
};

} // namespace

class TestZConsole : public QObject
{
    Q_OBJECT

private slots:
    void keys_data();
    void keys();
    void grammar_data();
    void grammar();
    void lockedUntilAnUnlockingLine();
    void deviceLineAboveUnfinishedInput();
    void history();
    void textOnlyFromKeys();
};

void TestZConsole::keys_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("input");

    QTest::newRow("printable Latin") << "set a1-B_9" << "set a1-B_9";
    QTest::newRow("Shift alone types") << "{Shift+B}" << "B";
    QTest::newRow("Ctrl and Alt dropped") << "a{Ctrl+A}{Alt+A}" << "a";
    QTest::newRow("keypad dropped") << "{Kp5}" << "";
    QTest::newRow("non-Latin dropped") << "a{Cyr}b" << "ab";
    QTest::newRow("Left, Home, Delete do not edit") << "ab{Left}{Home}{Delete}c" << "abc";
    QTest::newRow("Tab dropped") << "a{Tab}b" << "ab";
    QTest::newRow("Backspace") << "abc{Backspace}" << "ab";
    QTest::newRow("Backspace stops at the prompt") << "a{Backspace}{Backspace}{Backspace}b" << "b";
    QTest::newRow("keypad Enter does not submit") << "start{Enter}" << "start";
}

void TestZConsole::keys()
{
    QFETCH(QString, script);
    QFETCH(QString, input);
    Console c;
    const int blocks = c.console.blockCount();
    type(&c.console, script);
    QCOMPARE(lastLine(&c.console), ">" + input);
    QCOMPARE(c.console.blockCount(), blocks);
    QCOMPARE(c.commands.count(), 0);
    QVERIFY(!c.console.isLocked());
}

void TestZConsole::grammar_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QString>("printed");

    const QString needs = QStringLiteral("Command set needs argumet and value (Example for [set] command: set autoask 0");
    QTest::newRow("start") << "start" << QStringList{"start", "", ""} << "";
    QTest::newRow("start extra words") << "start extra words" << QStringList{"start", "", ""} << "";
    QTest::newRow("stop") << "stop" << QStringList{"stop", "", ""} << "";
    QTest::newRow("several blanks, extra word") << "  set   askinterval    50  more"
                                                << QStringList{"set", "askinterval", "50"} << "";
    QTest::newRow("capital S") << "Set autoask 1" << QStringList() << "No such command [Set]";
    QTest::newRow("unknown") << "reboot now" << QStringList() << "No such command [reboot]";
    QTest::newRow("no value") << "set autoask" << QStringList() << needs;
    QTest::newRow("set alone") << "set" << QStringList() << needs;
    QTest::newRow("not an argument") << "set speed 5" << QStringList() << "Command [set] has not argument [speed]";
    QTest::newRow("blanks only") << "   " << QStringList() << "";
    QTest::newRow("empty") << "" << QStringList() << "";
}

void TestZConsole::grammar()
{
    QFETCH(QString, line);
    QFETCH(QStringList, emitted);
    QFETCH(QString, printed);
    Console c;
    type(&c.console, line + "{Return}");
    const QStringList shown = lines(&c.console);

    if (!emitted.isEmpty()) {
        QCOMPARE(c.commands.count(), 1);
        const QList<QVariant> args = c.commands.first();
        QCOMPARE((QStringList{args[0].toString(), args[1].toString(), args[2].toString()}), emitted);
        // Waiting for the device: no prompt until its answer.
        QVERIFY(c.console.isLocked());
        QCOMPARE(shown.last(), ">" + line);
        QCOMPARE(c.console.commandHistory(), QStringList{line});
    } else if (!printed.isEmpty()) {
        QCOMPARE(c.commands.count(), 0);
        QVERIFY(!c.console.isLocked());
        QCOMPARE(shown.mid(shown.size() - 3), (QStringList{">" + line, printed, ">"}));
        QCOMPARE(c.console.commandHistory(), QStringList{line});
    } else {
        // Nothing to submit: a fresh prompt, the history as it was.
        QCOMPARE(c.commands.count(), 0);
        QVERIFY(!c.console.isLocked());
        QCOMPARE(shown.mid(shown.size() - 2), (QStringList{">" + line, ">"}));
        QVERIFY(c.console.commandHistory().isEmpty());
    }
}

void TestZConsole::lockedUntilAnUnlockingLine()
{
    Console c;
    type(&c.console, "start{Return}");
    const QString before = c.console.toPlainText();
    type(&c.console, "x{Backspace}{Backspace}{Return}{Up}{Down}");
    QCOMPARE(c.console.toPlainText(), before);
    QCOMPARE(c.commands.count(), 1);

    c.console.printMessage(QStringLiteral("TARN: initialize starting sequence"), false);
    QVERIFY(c.console.isLocked());
    QCOMPARE(lastLine(&c.console), QStringLiteral("TARN: initialize starting sequence"));
    c.console.printMessage(QStringLiteral("TARN: STARTED at ttyUSB0 115200 8 2 0 0"), true);
    QVERIFY(!c.console.isLocked());
    QCOMPARE(lines(&c.console).mid(1), (QStringList{">start", "TARN: initialize starting sequence",
                                                    "TARN: STARTED at ttyUSB0 115200 8 2 0 0", ">"}));
}

void TestZConsole::deviceLineAboveUnfinishedInput()
{
    Console c;
    c.console.show();
    type(&c.console, "set auto");
    c.console.printMessage(QStringLiteral("TARN: DISCONNECTED"), true);
    c.console.printMessage(QStringLiteral("TARN: CONNECTED"), false);
    // A click elsewhere in the text leaves the cursor at the end of the input.
    QTest::mouseClick(c.console.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    type(&c.console, "ask 1{Return}");
    QCOMPARE(lines(&c.console), (QStringList{"Monitor created, device status:", "TARN: DISCONNECTED",
                                             "TARN: CONNECTED", ">set autoask 1"}));
    QCOMPARE(c.commands.count(), 1);
    QCOMPARE(c.commands.first().at(2).toString(), QStringLiteral("1"));

    // Only the newest lines stay on screen; the operator's input is never among those that go.
    c.console.printMessage(QStringLiteral("TARN: autoask set to true"), true);
    c.console.setMaximumBlockCount(4);
    type(&c.console, "st");
    for (int i = 0; i < 10; ++i)
        c.console.printMessage(QStringLiteral("TARN: line %1").arg(i), true);
    QCOMPARE(lines(&c.console), (QStringList{"TARN: line 7", "TARN: line 8", "TARN: line 9", ">st"}));
}

void TestZConsole::history()
{
    Console c;
    type(&c.console, "first{Return}second{Return}");
    QCOMPARE(c.console.commandHistory(), (QStringList{"first", "second"}));

    const QList<QPair<QString, QString>> steps = {
        {"{Down}", ">"},              // at the newest line: nothing
        {"par{Up}", ">second"},       // the unfinished line gives way
        {"{Up}", ">first"},
        {"{Up}", ">first"},           // at the oldest entry: nothing
        {"{Down}", ">second"},
        {"{Down}", ">"},              // past the last entry: an empty prompt
        {"{Down}", ">"},
        {"{Up}{Up}{Return}", ">"},    // an entry submitted again joins the history
    };
    for (const auto &step : steps) {
        type(&c.console, step.first);
        QCOMPARE(lastLine(&c.console), step.second);
    }
    QCOMPARE(c.console.commandHistory(), (QStringList{"first", "second", "first"}));
}

void TestZConsole::textOnlyFromKeys()
{
    // An input method's text would skip the key filter, and land even while locked.
    Console c;
    type(&c.console, "st");
    const QString before = c.console.toPlainText();
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("op"));
    QApplication::sendEvent(&c.console, &composed);
    QCOMPARE(c.console.toPlainText(), before);
}

QTEST_MAIN(TestZConsole)
#include "tst_zconsole.moc"
