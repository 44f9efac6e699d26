#include "zexchangetext.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// At the receiver's usual traffic a log gets two or three dozen lines a second, each of which
// would otherwise be laid out and painted on its own.
constexpr int ShowEveryMs = 100;

} // namespace

ZExchangeText::ZExchangeText(QWidget *parent)
    : QTextEdit(parent)
{
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    // Lines are only ever appended; an undo stack would keep every one of them.
    setUndoRedoEnabled(false);
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(ShowEveryMs);
    connect(&m_showTimer, &QTimer::timeout, this, &ZExchangeText::showPending);
}

void ZExchangeText::setMaximumLines(int lines)
{
    m_maximumLines = qMax(0, lines);
}

void ZExchangeText::appendLine(const QString &line)
{
    m_pending.append(line);
    if (!m_showTimer.isActive())
        m_showTimer.start();
}

void ZExchangeText::showPending()
{
    if (m_pending.isEmpty())
        return;
    // One append makes a line of each piece, and one layout pass and one repaint for all.
    append(m_pending.join(QLatin1Char('\n')));
    m_pending.clear();
    // The oldest lines go a tenth of the limit at a time. Every removal at the top moves all the
    // lines below it in the layout; taking one line off with each new one, as a document's
    // maximum block count does, cost half a core at the receiver's usual traffic.
    const int excess = document()->blockCount() - m_maximumLines;
    if (m_maximumLines <= 0 || excess <= m_maximumLines / 10)
        return;
    // Selected by position inside an edit block: a cursor moved block by block outside one lays
    // out every line it passes to keep its column, and those layouts stayed behind, some 14 MB
    // at the receiver's usual traffic.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(document()->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

QString ZExchangeText::hexText(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex('$'));
}

void ZExchangeText::dataOut(QByteArray data)
{
    appendLine(tr("> %1").arg(hexText(data)));
}

void ZExchangeText::dataIn(QByteArray data)
{
    appendLine(tr("< %1").arg(hexText(data)));
}

void ZExchangeText::paketRcv(QVariant)
{
    appendLine(QStringLiteral("Parser : ok"));
}

void ZExchangeText::paketError(QVariant, QString errorText)
{
    appendLine(QStringLiteral("Parser : %1").arg(errorText));
}

void ZExchangeText::writeError(QVariant)
{
    appendLine(QStringLiteral("Connection : write failure"));
}

void ZExchangeText::paketTimeout()
{
    appendLine(QStringLiteral("Connection : timeout"));
}
