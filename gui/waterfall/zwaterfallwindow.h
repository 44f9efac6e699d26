#ifndef ZWATERFALLWINDOW_H
#define ZWATERFALLWINDOW_H

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class ZWaterfallWindow;
}
class ZSpectrChart;
class ZTarnVex;
class ZWaterfallChart;

// The waterfall's own window: the chart under a row of its controls (pause, clear, the colour
// scale following the levels or set by hand, its ends applied when the operator is done
// typing, not at every key of "-95"), and a status line that says why a save failed. It shows
// the receiver's spectrum frames and the main window's spectrum markers as they move; it opens
// where the operator left it last time.
class ZWaterfallWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ZWaterfallWindow(QWidget *parent = nullptr);
    ~ZWaterfallWindow() override;

    void setDevice(ZTarnVex *receiver);
    // The spectrum whose markers are drawn as lines.
    void setSpectrum(ZSpectrChart *spectrum);
    ZWaterfallChart *chart() const;

private:
    void showMarkers();
    void applyManualRange();
    void showRange(double lower, double upper);

    std::unique_ptr<Ui::ZWaterfallWindow> form;
    QPointer<ZSpectrChart> m_spectrum;
};

#endif // ZWATERFALLWINDOW_H
