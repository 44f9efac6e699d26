#include "zwaterfallwindow.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>

#include "zchartexport.h"
#include "zspectrchart.h"
#include "zspectrmarker.h"
#include "ztarnvex.h"
#include "zwaterfallchart.h"
#include "zwindowplace.h"

namespace {

const QString PlaceGroup = QStringLiteral("Waterfall");
constexpr int MessageShownMs = 10000;

QDoubleSpinBox *levelBox(QWidget *parent, const QString &name)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setRange(-250, 100);
    box->setDecimals(1);
    box->setSingleStep(1);
    // Applied when the operator is done typing, not at every key of "-95".
    box->setKeyboardTracking(false);
    box->setAccessibleName(name);
    return box;
}

} // namespace

ZWaterfallWindow::ZWaterfallWindow(QWidget *parent)
    : QWidget(parent), m_chart(new ZWaterfallChart(this))
{
    setWindowTitle(tr("Водопад"));
    m_pause = new QPushButton(tr("Пауза"), this);
    m_pause->setObjectName(QStringLiteral("pause"));
    m_pause->setCheckable(true);
    m_pause->setAccessibleName(tr("Пауза"));
    m_clear = new QPushButton(tr("Очистить"), this);
    m_clear->setObjectName(QStringLiteral("clear"));
    m_clear->setAccessibleName(tr("Очистить водопад"));
    m_auto = new QCheckBox(tr("Шкала по данным"), this);
    m_auto->setObjectName(QStringLiteral("followLevels"));
    m_auto->setChecked(true);
    m_lower = levelBox(this, tr("Нижний край шкалы, дБм"));
    m_lower->setObjectName(QStringLiteral("lower"));
    m_upper = levelBox(this, tr("Верхний край шкалы, дБм"));
    m_upper->setObjectName(QStringLiteral("upper"));
    auto *from = new QLabel(tr("от"), this);
    from->setBuddy(m_lower);
    auto *to = new QLabel(tr("до"), this);
    to->setBuddy(m_upper);

    auto *controls = new QHBoxLayout;
    controls->addWidget(m_pause);
    controls->addWidget(m_clear);
    controls->addStretch(1);
    for (QWidget *widget : std::initializer_list<QWidget *>{m_auto, from, m_lower, to, m_upper, new QLabel(tr("дБм"), this)})
        controls->addWidget(widget);
    // Where a save that failed says why.
    auto *messages = new QStatusBar(this);
    messages->setSizeGripEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_chart, 1);
    layout->addWidget(messages);
    connect(m_chart->exporter(), &ZChartExport::failed, messages,
            [messages](const QString &text) { messages->showMessage(text, MessageShownMs); });

    connect(m_pause, &QPushButton::toggled, m_chart, &ZWaterfallChart::setPaused);
    connect(m_clear, &QPushButton::clicked, m_chart, &ZWaterfallChart::clear);
    connect(m_auto, &QCheckBox::toggled, this, [this](bool follow) {
        m_lower->setEnabled(!follow);
        m_upper->setEnabled(!follow);
        if (follow)
            m_chart->setAutoRange(true);
        else
            applyManualRange();
    });
    for (QDoubleSpinBox *box : {m_lower, m_upper})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &ZWaterfallWindow::applyManualRange);
    connect(m_chart, &ZWaterfallChart::colourRangeChanged, this, &ZWaterfallWindow::showRange);
    showRange(m_chart->colourRange().lower, m_chart->colourRange().upper);
    m_lower->setEnabled(false);
    m_upper->setEnabled(false);

    if (!parent) {
        ZWindowPlace::keep(this, PlaceGroup, [](const QSize &screen) {
            return QSize(qMin(1000, int(screen.width() * 0.9)), qMin(600, int(screen.height() * 0.8)));
        });
    }
}

void ZWaterfallWindow::setDevice(ZTarnVex *receiver)
{
    if (receiver)
        connect(receiver, &ZTarnVex::spectrFrame, m_chart, &ZWaterfallChart::spectrFrame);
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
    m_chart->setMarkerLines(lines);
}

void ZWaterfallWindow::applyManualRange()
{
    // A range upside down or of no width is left as it is until the operator mends it.
    if (!m_auto->isChecked() && m_lower->value() < m_upper->value())
        m_chart->setColourRange(m_lower->value(), m_upper->value());
}

void ZWaterfallWindow::showRange(double lower, double upper)
{
    const QSignalBlocker blockLower(m_lower);
    const QSignalBlocker blockUpper(m_upper);
    m_lower->setValue(lower);
    m_upper->setValue(upper);
}
