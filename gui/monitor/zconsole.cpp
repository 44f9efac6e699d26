#include "zconsole.h"

#include <QFont>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

ZConsole::ZConsole(QWidget *parent)
    : QPlainTextEdit(parent)
{
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    // Editing keys are filtered, so an undo stack would only grow with the traffic of lines.
    setUndoRedoEnabled(false);
    setMaximumBlockCount(MaximumLines);
    // Without an input method or drops, text comes only as key presses, through the filter.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
}

void ZConsole::setCommands(const QList<ConsoleCommand> &newCommands)
{
    if (newCommands == commands)
        return;
    commands = newCommands;
}

QTextCursor ZConsole::endCursor() const
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    return cursor;
}

void ZConsole::insertPrompt(bool insertNewBlock)
{
    QTextCursor cursor = endCursor();
    if (insertNewBlock)
        cursor.insertBlock();
    cursor.insertText(prompt);
    setTextCursor(cursor);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ZConsole::output(const QString &text)
{
    QTextCursor cursor = endCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
    insertPrompt(true);
}

void ZConsole::printMessage(const QString &text, bool unlock)
{
    QTextCursor cursor = endCursor();
    if (locked) {
        cursor.insertBlock();
        cursor.insertText(text);
        setTextCursor(cursor);
        if (unlock) {
            locked = false;
            insertPrompt(true);
        }
        return;
    }
    // The whole input line, however long it has wrapped, moves below the message.
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    const QString input = cursor.selectedText();
    cursor.removeSelectedText();
    cursor.insertText(text);
    cursor.insertBlock();
    cursor.insertText(input);
    setTextCursor(cursor);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ZConsole::keyPressEvent(QKeyEvent *event)
{
    if (locked)
        return;
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (key >= 32 && key <= 126 && (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (modifiers != Qt::NoModifier)
        return;
    switch (key) {
    case Qt::Key_Backspace:
        if (textCursor().positionInBlock() > prompt.length())
            QPlainTextEdit::keyPressEvent(event);
        break;
    case Qt::Key_Return:
        onEnter();
        break;
    case Qt::Key_Up:
        historyBack();
        break;
    case Qt::Key_Down:
        historyForward();
        break;
    default:
        break;
    }
}

void ZConsole::mousePressEvent(QMouseEvent *)
{
    setFocus(Qt::OtherFocusReason);
}

// The text edit would paste the X selection here on a middle click, at the mouse position.
void ZConsole::mouseReleaseEvent(QMouseEvent *)
{
}

void ZConsole::mouseDoubleClickEvent(QMouseEvent *)
{
}

void ZConsole::contextMenuEvent(QContextMenuEvent *)
{
}

void ZConsole::inputMethodEvent(QInputMethodEvent *event)
{
    event->ignore();
}

void ZConsole::onEnter()
{
    const QTextCursor cursor = textCursor();
    if (cursor.positionInBlock() == prompt.length()) {
        insertPrompt(true);
        return;
    }
    const QString line = cursor.block().text().mid(prompt.length());
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // Blanks only name no command: nothing is submitted and the operator gets a fresh prompt.
    if (words.isEmpty()) {
        insertPrompt(true);
        return;
    }
    locked = true;
    historyAdd(line);

    const QString &word = words.at(0);
    const auto entry = std::find_if(commands.cbegin(), commands.cend(),
                                    [&](const ConsoleCommand &c) { return c.name == word; });
    if (entry == commands.cend()) {
        printMessage(tr("No such command [%1]").arg(word), true);
        return;
    }
    if (entry->arguments.isEmpty()) {
        emit command(entry->name, QString(), QString());
        return;
    }
    if (words.size() < 3) {
        printMessage(tr("Command %1 needs argumet and value (Example for [set] command: set autoask 0").arg(entry->name), true);
        return;
    }
    if (!entry->arguments.contains(words.at(1))) {
        printMessage(tr("Command [%1] has not argument [%2]").arg(entry->name, words.at(1)), true);
        return;
    }
    emit command(entry->name, words.at(1), words.at(2));
}

void ZConsole::historyAdd(const QString &line)
{
    history.append(line);
    historyPos = history.size();
}

void ZConsole::replaceInputLine(const QString &text)
{
    QTextCursor cursor = endCursor();
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.insertText(prompt + text);
    setTextCursor(cursor);
}

void ZConsole::historyBack()
{
    if (historyPos <= 0)
        return;
    replaceInputLine(history.at(historyPos - 1));
    --historyPos;
}

void ZConsole::historyForward()
{
    if (historyPos == history.size())
        return;
    if (historyPos == history.size() - 1)
        replaceInputLine(QString());
    else
        replaceInputLine(history.at(historyPos + 1));
    ++historyPos;
}
