#include "chartpicture.h"

#include <QFontMetrics>

#include <cstdlib>

#include <qcustomplot.h>

namespace ChartPicture {

QImage render(QCustomPlot *chart)
{
    return chart->toPixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

QRect changed(const QImage &a, const QImage &b, const QRect &within)
{
    QRect found;
    const QRect area = (within.isNull() ? a.rect() : within) & a.rect() & b.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *rowA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *rowB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (rowA[x] != rowB[x])
                found |= QRect(x, y, 1, 1);
        }
    }
    return found;
}

QImage renderWithout(QCustomPlot *chart, QCPLayerable *part)
{
    const bool visible = part->visible();
    part->setVisible(false);
    const QImage picture = render(chart);
    part->setVisible(visible);
    return picture;
}

QRect inkOf(QCustomPlot *chart, QCPLayerable *part)
{
    return changed(render(chart), renderWithout(chart, part));
}

namespace {

// The text's rectangle and its box, placed as the plotting library places them.
std::pair<QRect, QRect> placed(QCPItemText *item)
{
    QRect text = QFontMetrics(item->font()).boundingRect(0, 0, 0, 0, Qt::TextDontClip | item->textAlignment(), item->text());
    const QMargins pad = item->padding();
    QRect box = text.adjusted(-pad.left(), -pad.top(), pad.right(), pad.bottom());
    QPointF topLeft = item->position->pixelPosition();
    const Qt::Alignment align = item->positionAlignment();
    if (align & Qt::AlignHCenter)
        topLeft.rx() -= box.width() / 2.0;
    else if (align & Qt::AlignRight)
        topLeft.rx() -= box.width();
    if (align & Qt::AlignVCenter)
        topLeft.ry() -= box.height() / 2.0;
    else if (align & Qt::AlignBottom)
        topLeft.ry() -= box.height();
    box.moveTopLeft(topLeft.toPoint());
    text.moveTopLeft(topLeft.toPoint() + QPoint(pad.left(), pad.top()));
    return {text, box};
}

} // namespace

QRect boxOf(QCPItemText *item)
{
    return placed(item).second;
}

QRect textOf(QCPItemText *item)
{
    return placed(item).first;
}

bool holdsColour(const QImage &image, const QRect &rect, const QColor &colour, int tolerance)
{
    const QRect within = rect & image.rect();
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x) {
            const QColor pixel(image.pixel(x, y));
            if (std::abs(pixel.red() - colour.red()) <= tolerance && std::abs(pixel.green() - colour.green()) <= tolerance
                && std::abs(pixel.blue() - colour.blue()) <= tolerance)
                return true;
        }
    }
    return false;
}

} // namespace ChartPicture
