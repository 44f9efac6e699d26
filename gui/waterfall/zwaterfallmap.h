#ifndef ZWATERFALLMAP_H
#define ZWATERFALLMAP_H

#include <QImage>

#include <qcustomplot.h>

class ZWaterfallRing;

// The waterfall's picture: a colour map over the frequency axis (the spectrum's 2046 points)
// and the age of the rows (0 = newest, at the top), whose colours come from the ring.
//
// The plain colour map colours its whole grid again whenever a cell changes and keeps its
// levels as doubles: for half an hour of rows that is some 15 MB and several milliseconds at
// every sweep. Here each row is coloured once, when it comes, into an image laid out like the
// ring (a row per slot, upside down), and the image is drawn in the two pieces the ring's wrap
// leaves, so a new row costs one row's colouring. Everything is coloured again only when the colour range or
// the gradient changes.
class ZWaterfallMap : public QCPColorMap
{
    Q_OBJECT

public:
    ZWaterfallMap(QCPAxis *keyAxis, QCPAxis *valueAxis, const ZWaterfallRing *ring);

    // Colours the newest row of the ring.
    void colourNewestRow();
    // Colours every row held again.
    void recolourAll();

protected:
    void draw(QCPPainter *painter) override;

private:
    void colourRow(int age);
    int imageRow(int age) const;

    const ZWaterfallRing *m_ring;
    QImage m_image;
};

#endif // ZWATERFALLMAP_H
