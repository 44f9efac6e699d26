#include "zgroupread.h"

void ZGroupRead::start(const QVector<QVariant> &numbers)
{
    if (m_running)
        return;
    emit pauseDevice(true);
    emit abortDevice();
    m_numbers = numbers;
    groupIndex = 0;
    // The device refuses at once only while it is stopping; its `finished` then ends the read.
    // Such refusals arrive before the read counts as running and are not taken for answers.
    for (const QVariant &number : numbers)
        emit readRegister(number);
    m_running = true;
    emit blockDevice(true);
    emit pauseDevice(false);
    emit progress(numbers.isEmpty() ? 0 : numbers.first().toInt(), 1);
}

void ZGroupRead::advance(const QVariant &dataId)
{
    // Only the awaited register's outcome counts. A status poll already on the line when the
    // read began reports its own failure through the same signals; counted, it would end the
    // read one register early and the abort would drop the last request.
    if (!m_running || groupIndex >= m_numbers.size() || dataId != m_numbers.at(groupIndex))
        return;
    if (groupIndex == m_numbers.size() - 1) {
        cancel();
        return;
    }
    ++groupIndex;
    emit progress(m_numbers.at(groupIndex).toInt(), groupIndex + 1);
}

void ZGroupRead::cancel()
{
    emit abortDevice();
    emit blockDevice(false);
    emit finished();
    m_running = false;
    m_numbers.clear();
}
