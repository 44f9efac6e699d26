#ifndef ZTOOLWINDOWS_H
#define ZTOOLWINDOWS_H

#include <QPointer>
#include <QString>

class QWidget;
class ZAbstractTarn;
class ZRegControl;
class ZSignalLogViewer;
class ZSpectrChart;
class ZWaterfallWindow;

// The main window's tool windows (registers, waterfall, signal-log viewer): each is a window of
// its own, at most one of a kind. Asked for again, the open one is brought to the front; each
// goes when the operator closes it, and all go with the main window.
class ZToolWindows
{
public:
    ZToolWindows() = default;
    ZToolWindows(const ZToolWindows &) = delete;
    ZToolWindows &operator=(const ZToolWindows &) = delete;
    ~ZToolWindows();

    void showRegisters(ZAbstractTarn *device);
    void showWaterfall(ZAbstractTarn *device, ZSpectrChart *spectrum);
    void showSignalLog(const QString &logFolder);

private:
    // Brings the window up if there is one; false when it has to be made.
    static bool raise(QWidget *window);
    static void open(QWidget *window);

    QPointer<ZRegControl> m_registers;
    QPointer<ZWaterfallWindow> m_waterfall;
    QPointer<ZSignalLogViewer> m_signalLog;
};

#endif // ZTOOLWINDOWS_H
