#include "zcharttext.h"

#include <QtMath>

ZChartText::ZChartText(QCustomPlot *chart)
    : QCPItemText(chart)
{
    m_static.setTextFormat(Qt::PlainText);
    m_static.setPerformanceHint(QStaticText::AggressiveCaching);
}

void ZChartText::draw(QCPPainter *painter)
{
    // One line of plain text: laid out where the plain item would put it, the way it does it.
    const QFont font = mainFont();
    painter->setFont(font);
    if (mText != m_laidText || font != m_laidFont) {
        m_laidText = mText;
        m_laidFont = font;
        m_textRect = painter->fontMetrics().boundingRect(0, 0, 0, 0, Qt::TextDontClip | mTextAlignment, mText);
        m_static.setText(mText);
        m_static.prepare(QTransform(), font);
    }
    const QPointF pos(position->pixelPosition());
    QTransform transform = painter->transform();
    transform.translate(pos.x(), pos.y());
    if (!qFuzzyIsNull(mRotation))
        transform.rotate(mRotation);
    QRect textRect = m_textRect;
    QRect boxRect = textRect.adjusted(-mPadding.left(), -mPadding.top(), mPadding.right(), mPadding.bottom());
    const QPointF textPos = getTextDrawPoint(QPointF(0, 0), boxRect, mPositionAlignment);
    textRect.moveTopLeft(textPos.toPoint() + QPoint(mPadding.left(), mPadding.top()));
    boxRect.moveTopLeft(textPos.toPoint());
    const int clipPad = qCeil(mainPen().widthF());
    const QRect bounds = boxRect.adjusted(-clipPad, -clipPad, clipPad, clipPad);
    if (!transform.mapRect(bounds).intersects(painter->transform().mapRect(clipRect())))
        return;
    painter->setTransform(transform);
    if ((mainBrush().style() != Qt::NoBrush && mainBrush().color().alpha() != 0)
        || (mainPen().style() != Qt::NoPen && mainPen().color().alpha() != 0)) {
        painter->setPen(mainPen());
        painter->setBrush(mainBrush());
        painter->drawRect(boxRect);
    }
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(mainColor()));
    if (mText.contains(QLatin1Char('\n')))
        painter->drawText(textRect, Qt::TextDontClip | mTextAlignment, mText);
    else
        painter->drawStaticText(textRect.topLeft(), m_static);
}
