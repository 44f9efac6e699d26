#include "ztoolwindows.h"

#include "zregcontrol.h"
#include "zsignallogviewer.h"
#include "zspectrchart.h"
#include "ztarnvex.h"
#include "zwaterfallwindow.h"

ZToolWindows::~ZToolWindows()
{
    // Each keeps its place as it goes.
    delete m_registers;
    delete m_waterfall;
    delete m_signalLog;
}

bool ZToolWindows::raise(QWidget *window)
{
    if (!window)
        return false;
    window->raise();
    window->activateWindow();
    return true;
}

void ZToolWindows::open(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void ZToolWindows::showRegisters(ZAbstractTarn *device)
{
    if (raise(m_registers))
        return;
    m_registers = new ZRegControl(nullptr);
    m_registers->setDevice(device);
    open(m_registers);
}

void ZToolWindows::showWaterfall(ZAbstractTarn *device, ZSpectrChart *spectrum)
{
    if (raise(m_waterfall))
        return;
    m_waterfall = new ZWaterfallWindow(nullptr);
    m_waterfall->setDevice(qobject_cast<ZTarnVex *>(device));
    m_waterfall->setSpectrum(spectrum);
    open(m_waterfall);
}

void ZToolWindows::showSignalLog(const QString &logFolder)
{
    if (raise(m_signalLog))
        return;
    m_signalLog = new ZSignalLogViewer(logFolder, nullptr);
    open(m_signalLog);
}
