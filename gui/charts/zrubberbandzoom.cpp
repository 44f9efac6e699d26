#include "zrubberbandzoom.h"

#include <QMouseEvent>
#include <QRubberBand>

#include <qcustomplot.h>

ZRubberBandZoom::ZRubberBandZoom(QCustomPlot *chart)
    : QObject(chart),
      m_chart(chart),
      m_band(new QRubberBand(QRubberBand::Rectangle, chart)),
      m_zoomIn(QStringLiteral("://image/zoomin.png")),
      m_zoomOut(QStringLiteral("://image/zoomout.png")),
      m_normalCursor(chart->cursor())
{
    chart->installEventFilter(this);
}

void ZRubberBandZoom::reset()
{
    m_band->hide();
    m_chart->setCursor(m_normalCursor);
    m_state = Free;
}

bool ZRubberBandZoom::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_chart)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_press = mouse->pos();
            m_band->setGeometry(QRect(m_press, QSize()));
            m_state = Selecting;
            m_band->show();
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_band->isVisible()) {
            m_band->setGeometry(QRect(m_press, mouse->pos()).normalized());
            m_chart->setCursor(QCursor(mouse->pos().x() > m_press.x() ? m_zoomIn : m_zoomOut, 0, 0));
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        break;
    default:
        return false;
    }

    if (!m_band->isVisible())
        return true;
    if (static_cast<QMouseEvent *>(event)->pos().x() > m_press.x()) {
        m_state = Zoomed;
        const QRect band = m_band->geometry();
        m_chart->xAxis->setRange(m_chart->xAxis->pixelToCoord(band.left()), m_chart->xAxis->pixelToCoord(band.right()));
        const QList<QCPAxis *> valueAxes = m_chart->axisRect()->axes(QCPAxis::atLeft);
        for (QCPAxis *axis : valueAxes)
            axis->setRange(axis->pixelToCoord(band.bottom()), axis->pixelToCoord(band.top()));
        m_band->hide();
        m_chart->replot();
        m_chart->setCursor(m_normalCursor);
        emit zoomedIn();
        return true;
    }
    reset();
    emit zoomLeft();
    return true;
}
