#include "zwaterfallwindow.h"
#include "ui_zwaterfallwindow.h"

#include <QSignalBlocker>

#include "zchartexport.h"
#include "zspectrchart.h"
#include "zspectrmarker.h"
#include "ztarnvex.h"
#include "zwaterfallchart.h"
#include "zwindowplace.h"

namespace {

const QString PlaceGroup = QStringLiteral("Waterfall");
constexpr int MessageShownMs = 10000;

} // namespace

ZWaterfallWindow::ZWaterfallWindow(QWidget *parent)
    : QWidget(parent), form(new Ui::ZWaterfallWindow)
{
    form->setupUi(this);
    ZWaterfallChart *chart = form->chart;
    connect(chart->exporter(), &ZChartExport::failed, this,
            [this](const QString &text) { form->messages->showMessage(text, MessageShownMs); });

    connect(form->pause, &QPushButton::toggled, chart, &ZWaterfallChart::setPaused);
    connect(form->clear, &QPushButton::clicked, chart, &ZWaterfallChart::clear);
    connect(form->followLevels, &QCheckBox::toggled, this, [this](bool follow) {
        form->lower->setEnabled(!follow);
        form->upper->setEnabled(!follow);
        if (follow)
            form->chart->setAutoRange(true);
        else
            applyManualRange();
    });
    for (QDoubleSpinBox *box : {form->lower, form->upper})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &ZWaterfallWindow::applyManualRange);
    connect(chart, &ZWaterfallChart::colourRangeChanged, this, &ZWaterfallWindow::showRange);
    showRange(chart->colourRange().lower, chart->colourRange().upper);

    if (!parent)
        ZWindowPlace::keep(this, PlaceGroup);
}

ZWaterfallWindow::~ZWaterfallWindow()
{
    // Off the screen while the window is whole: the focus leaving a level box applies what the
    // operator typed there, and that reaches this window.
    hide();
}

ZWaterfallChart *ZWaterfallWindow::chart() const
{
    return form->chart;
}

void ZWaterfallWindow::setDevice(ZTarnVex *receiver)
{
    if (receiver)
        connect(receiver, &ZTarnVex::spectrFrame, form->chart, &ZWaterfallChart::spectrFrame);
}

void ZWaterfallWindow::setSpectrum(ZSpectrChart *spectrum)
{
    if (m_spectrum)
        disconnect(m_spectrum, nullptr, this, nullptr);
    m_spectrum = spectrum;
    if (spectrum)
        connect(spectrum, &ZSpectrChart::markersChanged, this, &ZWaterfallWindow::showMarkers);
    showMarkers();
}

void ZWaterfallWindow::showMarkers()
{
    QVector<ZWaterfallChart::MarkerLine> lines;
    if (m_spectrum) {
        const auto markers = m_spectrum->markers();
        for (const QPointer<ZSpectrMarker> &marker : markers) {
            if (marker)
                lines.append({marker->markerKey(), marker->colour()});
        }
    }
    form->chart->setMarkerLines(lines);
}

void ZWaterfallWindow::applyManualRange()
{
    // A range upside down or of no width is left as it is until the operator mends it.
    if (!form->followLevels->isChecked() && form->lower->value() < form->upper->value())
        form->chart->setColourRange(form->lower->value(), form->upper->value());
}

void ZWaterfallWindow::showRange(double lower, double upper)
{
    const QSignalBlocker blockLower(form->lower);
    const QSignalBlocker blockUpper(form->upper);
    form->lower->setValue(lower);
    form->upper->setValue(upper);
}
