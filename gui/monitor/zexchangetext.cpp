#include "zexchangetext.h"

#include <QFont>
#include <QTextBlockFormat>
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
    // Every row the same height: lines parted by a separator and lines in paragraphs of their
    // own would otherwise stand a pixel apart differently, and the batches would show.
    QTextBlockFormat rows;
    rows.setLineHeight(fontMetrics().lineSpacing(), QTextBlockFormat::FixedHeight);
    QTextCursor(document()).setBlockFormat(rows);
    // Lines are only ever appended; an undo stack would keep every one of them.
    setUndoRedoEnabled(false);
    // A frame to a row: replies start in one column, so their fields line up from one to the
    // next, and the rest of a long reply is a scroll to the right. Wrapped, a status reply took
    // a dozen rows, and the line table for those rows was a third of a full log's memory.
    setLineWrapMode(QTextEdit::NoWrap);
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
    // One paragraph for the batch, its lines parted by line separators: each paragraph of a text
    // document carries a layout object, a fragment and a line table of its own, and one per line
    // was most of the memory a full log took. Shown and copied, the lines are the same.
    append(m_pending.join(QChar(QChar::LineSeparator)));
    m_lines += m_pending.size();
    m_pending.clear();
    // The oldest lines go a tenth of the limit at a time. Every removal at the top moves all the
    // lines below it in the layout; taking one line off with each new one, as a document's
    // maximum block count does, cost half a core at the receiver's usual traffic.
    if (m_maximumLines <= 0 || m_lines - m_maximumLines <= m_maximumLines / 10)
        return;
    dropOldest();
}

void ZExchangeText::dropOldest()
{
    // Counted afresh from the text: the operator may have typed into the log or cleared it.
    m_lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        m_lines += 1 + block.text().count(QChar(QChar::LineSeparator));
    int excess = m_lines - m_maximumLines;
    if (excess <= 0)
        return;
    // Where the first line to keep starts: past whole paragraphs, then past separators inside one.
    QTextBlock block = document()->begin();
    int end = 0;
    while (block.isValid()) {
        const QString text = block.text();
        const int here = 1 + text.count(QChar(QChar::LineSeparator));
        if (here <= excess) {
            excess -= here;
            block = block.next();
            end = block.isValid() ? block.position() : document()->characterCount() - 1;
            continue;
        }
        int at = -1;
        for (int k = 0; k < excess; ++k)
            at = text.indexOf(QChar(QChar::LineSeparator), at + 1);
        end = block.position() + at + 1;
        excess = 0;
        break;
    }
    m_lines = m_maximumLines;
    // Selected by position inside an edit block: a cursor moved line by line outside one lays
    // out every line it passes to keep its column, and those layouts stayed behind, some 14 MB
    // at the receiver's usual traffic.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(end, QTextCursor::KeepAnchor);
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
