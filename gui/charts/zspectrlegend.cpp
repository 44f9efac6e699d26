#include "zspectrlegend.h"

#include <cmath>

#include <qcustomplot.h>

#include "zcharttext.h"
#include "zspectrmarker.h"

ZSpectrLegend::ZSpectrLegend(QPointer<ZSpectrMarker> marker, QCustomPlot *chart)
    : QObject(chart), marker(marker), chart(chart)
{
    const QColor foreground = chart->xAxis->basePen().color();
    const QBrush background = chart->palette().color(QPalette::Window);

    auto makeText = [&](const QColor &colour) {
        auto *text = new ZChartText(chart);
        text->setText(QString());
        text->setColor(colour);
        text->setBrush(background);
        text->setLayer(QStringLiteral("overlay"));
        text->setClipToAxisRect(false);
        text->setSelectable(false);
        text->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
        return text;
    };

    const int num = marker ? marker->number() : 0;
    nameText = makeText(marker ? marker->colour() : foreground);
    nameText->setText(tr("М%1 ").arg(num));

    kindText = makeText(foreground);
    const QString delta = QStringLiteral("Δ");
    switch (marker ? marker->type() : -1) {
    case Absolute:
        kindText->setText(tr("АБС "));
        break;
    case Max:
        kindText->setText(tr("МАКС "));
        break;
    case DeltaMax:
        kindText->setText(tr("%1 МАКС ").arg(delta));
        break;
    case DeltaMarker:
        kindText->setText(tr("%1 ").arg(delta));
        break;
    default:
        break;
    }

    ZSpectrMarker *reference = marker && marker->type() == DeltaMarker ? marker->referenceMarker() : nullptr;
    referenceText = makeText(reference ? reference->colour() : foreground);
    if (reference)
        referenceText->setText(tr("М%1 ").arg(reference->number()));

    valueText = makeText(foreground);
    QFont bold = valueText->font();
    bold.setWeight(75);
    valueText->setFont(bold);

    if (marker && marker->font() != QFont()) {
        for (QCPItemText *text : {nameText, kindText, referenceText, valueText})
            text->setFont(marker->font());
    }

    // Each part starts where the one before it ends. Only the value changes from here on, and
    // it is the last part, so the offsets are measured once; hung on each other's corners, the
    // parts were measured again, every one before them, at each of the ten replots a second.
    int offset = 0;
    for (QCPItemText *text : {nameText, kindText, referenceText, valueText}) {
        if (text != nameText) {
            text->position->setParentAnchor(nameText->position);
            text->position->setCoords(offset, 0);
        }
        offset += QFontMetrics(text->font())
                      .boundingRect(0, 0, 0, 0, Qt::TextDontClip | text->textAlignment(), text->text())
                      .width()
                  + text->padding().left() + text->padding().right();
    }

    if (marker) {
        showValue(marker->value());
        connect(marker, &ZSpectrMarker::val, this, &ZSpectrLegend::showValue);
    }
}

ZSpectrLegend::~ZSpectrLegend()
{
    // Every text hangs on the first: it goes last.
    chart->removeItem(valueText);
    chart->removeItem(referenceText);
    chart->removeItem(kindText);
    chart->removeItem(nameText);
}

void ZSpectrLegend::place(int top)
{
    nameText->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
    nameText->position->setAxisRect(chart->axisRect());
    nameText->position->setTypeY(QCPItemPosition::ptAbsolute);
    nameText->position->setCoords(0, top);
}

QStringList ZSpectrLegend::texts() const
{
    return {nameText->text(), kindText->text(), referenceText->text(), valueText->text()};
}

void ZSpectrLegend::showValue(double value)
{
    valueText->setText(std::isnan(value) ? QString() : QString::number(value, 'f', 2));
}
