#include "zexchangetext.h"

#include <QFont>

ZExchangeText::ZExchangeText(QWidget *parent)
    : QTextEdit(parent)
{
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    document()->setMaximumBlockCount(MaximumLines);
    // Lines are only ever appended; an undo stack would keep every one of them.
    setUndoRedoEnabled(false);
}

QString ZExchangeText::hexText(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex('$'));
}

void ZExchangeText::dataOut(QByteArray data)
{
    append(tr("> %1").arg(hexText(data)));
}

void ZExchangeText::dataIn(QByteArray data)
{
    append(tr("< %1").arg(hexText(data)));
}

void ZExchangeText::paketRcv(QVariant)
{
    append(QStringLiteral("Parser : ok"));
}

void ZExchangeText::paketError(QVariant, QString errorText)
{
    append(QStringLiteral("Parser : %1").arg(errorText));
}

void ZExchangeText::writeError(QVariant)
{
    append(QStringLiteral("Connection : write failure"));
}

void ZExchangeText::paketTimeout()
{
    append(QStringLiteral("Connection : timeout"));
}
