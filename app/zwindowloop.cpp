#include "zwindowloop.h"

#include <QApplication>
#include <QScreen>

#include "tarnwindow.h"
#include "zabstracttarn.h"
#include "zmonitor.h"
#include "zstartup.h"

ZWindowLoop::ZWindowLoop(ZAbstractTarn *device, int logInterval, const ZStartup::Places &places, QObject *parent)
    : QObject(parent), m_device(device), m_logInterval(logInterval), m_places(places)
{
}

ZWindowLoop::~ZWindowLoop()
{
    delete m_monitor;
    delete m_window;
}

void ZWindowLoop::terminate()
{
    m_terminated = true;
}

void ZWindowLoop::buildWindow()
{
    delete m_window;
    m_window = new TarnWindow(nullptr);
    TarnWindow *window = m_window;
    ZAbstractTarn *device = m_device;
    window->setWindowTitle(QObject::tr("Велькор %1 (%2)")
                               .arg(QLatin1String(ZStartup::ApplicationVersion), QLatin1String(ZStartup::BuildDate)));

    connect(window, &TarnWindow::requestStatus, device, &ZAbstractDevice::reportStatus);
    connect(window, &TarnWindow::requsetTelemetry, device, &ZDeviceStandard::reportTelemetry);
    connect(window, &TarnWindow::deviceStart, device, &ZAbstractDevice::start);
    connect(window, &TarnWindow::deviceStop, device, &ZAbstractDevice::stop);
    connect(window, &TarnWindow::connectionDetailsSet, device, &ZAbstractDevice::on_connectionDetailsSet);
    connect(device, &ZAbstractDevice::initStart, window, &TarnWindow::deviceInitStart);
    connect(device, &ZAbstractDevice::started, window, &TarnWindow::deviceStarted);
    connect(device, &ZAbstractDevice::initFinish, window, &TarnWindow::deviceInitFinish);
    connect(device, &ZAbstractDevice::finished, window, &TarnWindow::deviceFinished);
    connect(device, &ZAbstractDevice::connected, window, &TarnWindow::deviceConected);
    connect(device, &ZAbstractDevice::disconnected, window, &TarnWindow::deviceDisconnected);
    connect(device, &ZAbstractDevice::connectionDetails, window, &TarnWindow::connectionDetails);

    window->setDevice(device);
    // Every pass starts from the interval read at start-up; the window reads the stored one
    // itself when its logger starts.
    window->setLogInterval(m_logInterval);
    window->setPlaces(m_places);
    window->requestFullReport();
    window->show();
}

void ZWindowLoop::openMonitor()
{
    if (m_monitor)
        return;
    m_monitor = new ZMonitor(m_device, nullptr);
    m_monitor->setAttribute(Qt::WA_DeleteOnClose);
    m_monitor->setWindowTitle(QObject::tr("Монитор обмена ТАРН"));
    // Beside the window where the screen allows, otherwise against the screen's right edge.
    const QRect frame = m_window->frameGeometry();
    QPoint place(frame.right() + 1, frame.top());
    if (QScreen *screen = m_window->screen()) {
        const QRect available = screen->availableGeometry();
        place.setX(qMax(available.left(), qMin(place.x(), available.right() + 1 - m_monitor->width())));
        place.setY(qMax(available.top(), qMin(place.y(), available.bottom() + 1 - m_monitor->height())));
    }
    m_monitor->move(place);
    m_monitor->show();
}

int ZWindowLoop::exec()
{
    int code = 0;
    for (;;) {
        buildWindow();
        // Only a restart asked for from the window's monitor action brings the monitor.
        if (code == TarnWindow::RestartExitCode)
            openMonitor();
        ++m_passes;
        code = QApplication::exec();
        if (code != TarnWindow::RestartExitCode || m_terminated)
            break;
    }
    // The monitor watches the device, which the program deletes next; the window stays until
    // the loop itself goes, after the device.
    delete m_monitor;
    return m_terminated ? 0 : code;
}
