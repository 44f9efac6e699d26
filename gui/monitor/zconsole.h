#ifndef ZCONSOLE_H
#define ZCONSOLE_H

#include <QList>
#include <QPlainTextEdit>
#include <QStringList>

#include "consolecommand.h"

// A one-pane command console. The operator types after the prompt and presses Return; a
// command that passes the command table is emitted as `command`, and input stays blocked until
// the device's answer is printed as a line that unlocks it. Only printable Latin characters,
// Backspace (never into the prompt), Return and the history keys Up and Down are accepted, so the
// cursor always stays at the end of the input line. Text cannot arrive any other way: no
// pasting with the middle button, no drops, no input method.
class ZConsole : public QPlainTextEdit
{
    Q_OBJECT

public:
    // Lines kept on screen. The device's lines come even with nobody typing: while the link is
    // down, every attempt to reopen it says so in four lines, every 2 s, day and night.
    static constexpr int MaximumLines = 10000;

    explicit ZConsole(QWidget *parent = nullptr);

    void setCommands(const QList<ConsoleCommand> &commands);
    QList<ConsoleCommand> commandTable() const { return commands; }
    bool isLocked() const { return locked; }
    // Submitted command lines, oldest first.
    QStringList commandHistory() const { return history; }

    void insertPrompt(bool insertNewBlock);
    void output(const QString &text);
    // A line from the device side. While a command is pending it goes below the command and,
    // with `unlock`, ends the wait with a fresh prompt; otherwise it goes above the operator's
    // unfinished input, which is kept as typed.
    void printMessage(const QString &text, bool unlock);

signals:
    void command(QString cmd, QString arg, QString val);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void onEnter();
    void historyAdd(const QString &line);
    void historyBack();
    void historyForward();
    // Replaces the current input line by the prompt followed by `text`.
    void replaceInputLine(const QString &text);
    // The cursor at the end of the document, where all input and output happen.
    QTextCursor endCursor() const;

    QList<ConsoleCommand> commands;
    QString prompt = QStringLiteral(">");
    bool locked = false;
    QStringList history;
    int historyPos = 0;
};

#endif // ZCONSOLE_H
