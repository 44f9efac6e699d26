#ifndef ZALARMWIDGET_H
#define ZALARMWIDGET_H

#include <QPalette>
#include <QWidget>

// The tile shown for one active device alarm: its name on a background that turns from red to
// yellow and back once a second, so that it catches the eye of an operator across the room.
class ZAlarmWidget : public QWidget
{
    Q_OBJECT

public:
    ZAlarmWidget(int alarmNumber, const QString &text, QWidget *parent = nullptr);

    int alarmNumber() const { return m_alarmNumber; }
    bool operator==(const ZAlarmWidget &other) const { return m_alarmNumber == other.m_alarmNumber; }

private:
    void blink();

    int m_alarmNumber;
    bool m_blinkPhase = true;
    QPalette m_redPalette;
    QPalette m_yellowPalette;
};

#endif // ZALARMWIDGET_H
