#ifndef ZALARM_H
#define ZALARM_H

#include <QByteArray>
#include <QObject>
#include <QString>

// One named alarm of the device. It has up to three sources: a bit of the status byte polled
// with every status reply, a bit of the alarm register and a bit of the alarm journal register.
// Each source keeps its own state: -1 no value yet, 0 off, 1 on.
class ZAlarm : public QObject
{
    Q_OBJECT
public:
    ZAlarm(QObject *parent, int id, const QString &text, int telemetryBit = -1, int listBit = -1,
           int journalBit = -1);

    int id() const { return m_id; }
    QString text() const { return m_text; }
    int telemetryBit() const { return m_telemetryBit; }
    int listBit() const { return m_listBit; }
    int journalBit() const { return m_journalBit; }
    int state() const { return m_state; }
    int listState() const { return m_listState; }
    int journalState() const { return m_journalState; }

    // The status byte of a status reply; only a change of the state is announced.
    void checkTelemetry(quint8 status);
    // The bytes of the alarm register / journal register; announced every time.
    void checkList(const QByteArray &bytes);
    void checkJournal(const QByteArray &bytes);

    void setState(int state);
    void setListState(int state);
    void setJournalState(int state);
    // The state from bit `bit` of `value`; a bit outside the value counts as clear.
    void setStateFromBit(quint32 value, int bit);

    void resetStates();
    void reportAll();
    bool isActive() const;

    bool operator==(const ZAlarm &other) const { return m_id == other.m_id; }
    bool operator!=(const ZAlarm &other) const { return m_id != other.m_id; }
    bool operator==(int id) const { return m_id == id; }
    bool operator!=(int id) const { return m_id != id; }

signals:
    void changed(int alr);
    void changedList(int alr);
    void changedJournal(int alr);

private:
    static int bitOf(const QByteArray &bytes, int bit, bool *present);

    int m_telemetryBit;
    int m_listBit;
    int m_journalBit;
    int m_id;
    QString m_text;
    int m_state = -1;
    int m_listState = -1;
    int m_journalState = -1;
};

#endif // ZALARM_H
