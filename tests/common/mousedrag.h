#ifndef MOUSEDRAG_H
#define MOUSEDRAG_H

#include <QMouseEvent>
#include <QtTest>

// A drag with the left button held. QTest's mouseMove tells a widget no button state, which
// dragging code checks, so the move is sent as an event of its own.
inline void pressAndMove(QWidget *widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(widget, &move);
}

inline void leftDrag(QWidget *widget, QPoint from, QPoint to)
{
    pressAndMove(widget, from, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

#endif // MOUSEDRAG_H
