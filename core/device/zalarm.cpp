#include "zalarm.h"

#include <QtDebug>

ZAlarm::ZAlarm(QObject *parent, int id, const QString &text, int telemetryBit, int listBit,
               int journalBit)
    : QObject(parent),
      m_telemetryBit(telemetryBit),
      m_listBit(listBit),
      m_journalBit(journalBit),
      m_id(id),
      m_text(text)
{
}

void ZAlarm::checkTelemetry(quint8 status)
{
    if (m_telemetryBit == -1) {
        qWarning("attempt to check alarm telemetry bit == -1");
        return;
    }
    setStateFromBit(status, m_telemetryBit);
}

int ZAlarm::bitOf(const QByteArray &bytes, int bit, bool *present)
{
    const int index = bit / 8;
    *present = bit >= 0 && index < bytes.size();
    if (!*present)
        return 0;
    return (quint8(bytes.at(index)) >> (bit % 8)) & 1;
}

void ZAlarm::checkList(const QByteArray &bytes)
{
    if (m_listBit == -1)
        return;
    bool present = false;
    const int bit = bitOf(bytes, m_listBit, &present);
    if (present)
        setListState(bit);
}

void ZAlarm::checkJournal(const QByteArray &bytes)
{
    if (m_journalBit == -1)
        return;
    bool present = false;
    const int bit = bitOf(bytes, m_journalBit, &present);
    if (present)
        setJournalState(bit);
}

void ZAlarm::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit changed(m_state);
}

void ZAlarm::setListState(int state)
{
    m_listState = state;
    emit changedList(m_listState);
}

void ZAlarm::setJournalState(int state)
{
    m_journalState = state;
    emit changedJournal(m_journalState);
}

void ZAlarm::setStateFromBit(quint32 value, int bit)
{
    const bool set = bit >= 0 && bit < 32 && ((value >> bit) & 1u);
    setState(set ? 1 : 0);
}

void ZAlarm::resetStates()
{
    m_state = -1;
    m_listState = -1;
    m_journalState = -1;
}

void ZAlarm::reportAll()
{
    emit changed(m_state);
    emit changedList(m_listState);
    emit changedJournal(m_journalState);
}

bool ZAlarm::isActive() const
{
    return m_state != -1 && m_state != 0;
}
