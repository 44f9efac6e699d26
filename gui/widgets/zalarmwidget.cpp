#include "zalarmwidget.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPalette withWindow(QPalette palette, const QColor &colour)
{
    palette.setBrush(QPalette::Window, colour);
    return palette;
}

} // namespace

ZAlarmWidget::ZAlarmWidget(int alarmNumber, const QString &text, QWidget *parent)
    : QWidget(parent), m_alarmNumber(alarmNumber)
{
    setAutoFillBackground(true);
    m_redPalette = withWindow(palette(), QColor(255, 57, 31));
    m_yellowPalette = withWindow(palette(), QColor(244, 188, 66));
    setPalette(m_redPalette);

    auto *label = new QLabel(text, this);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    auto *layout = new QVBoxLayout;
    layout->addWidget(label);
    setLayout(layout);

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &ZAlarmWidget::blink);
    timer->start(1000);
}

void ZAlarmWidget::blink()
{
    setPalette(m_blinkPhase ? m_yellowPalette : m_redPalette);
    m_blinkPhase = !m_blinkPhase;
}
