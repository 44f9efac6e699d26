#ifndef ZEXCHANGETEXT_H
#define ZEXCHANGETEXT_H

#include <QByteArray>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>
#include <QVariant>

// One log of the exchange monitor: the bytes sent or received as "$"-joined lower-case hex,
// each piece on a line of its own, and the protocol's verdicts between them. Only the newest
// lines are kept, so that a monitor left open for hours does not grow without end. Lines are
// shown a tenth of a second at a time rather than one by one: the same lines in the same
// order, laid out and painted once per batch.
class ZExchangeText : public QTextEdit
{
    Q_OBJECT

public:
    // At the receiver's usual 23 polls a second, with a line for each reply and one for its
    // verdict, about four minutes of received traffic and nine of sent requests.
    static constexpr int MaximumLines = 12000;

    explicit ZExchangeText(QWidget *parent = nullptr);

    // How many of the newest lines are kept (MaximumLines unless changed); 0 keeps every line.
    int maximumLines() const { return m_maximumLines; }
    void setMaximumLines(int lines);
    // Lines on show (those of the current batch come a tenth of a second later).
    int lineCount() const { return m_lines; }

    // "01$ab$10" for the bytes 01 AB 10.
    static QString hexText(const QByteArray &data);

public slots:
    void dataOut(QByteArray data);
    void dataIn(QByteArray data);
    void paketRcv(QVariant dataId);
    void paketError(QVariant dataId, QString errorText);
    void writeError(QVariant dataId);
    void paketTimeout();

private:
    void appendLine(const QString &line);
    // Adds the lines gathered since the last time, then drops the oldest beyond the limit.
    void showPending();
    // Drops the oldest lines beyond the limit.
    void dropOldest();

    int m_maximumLines = MaximumLines;
    int m_lines = 0; // lines shown, counted afresh whenever the oldest go
    QStringList m_pending;
    QTimer m_showTimer;
};

#endif // ZEXCHANGETEXT_H
