#ifndef ZWINDOWLOOP_H
#define ZWINDOWLOOP_H

#include <QObject>
#include <QPointer>

#include "zmonitor.h"
#include "zstartup.h"

class TarnWindow;
class ZAbstractTarn;

// The main window's life: one window per pass, wired to the device, shown, and the event loop
// run. When the window asks for a restart (exit code 3) it is replaced by a fresh one that
// receives the device's whole state, and the exchange monitor opens beside it unless one is
// already open; any other exit code ends the loop. The device and its link stay as they are
// across passes, and so does an open monitor with its logs and console.
class ZWindowLoop : public QObject
{
    Q_OBJECT

public:
    // `places`: where start-up decided the program's files go, handed to every window.
    ZWindowLoop(ZAbstractTarn *device, int logInterval, const ZStartup::Places &places, QObject *parent = nullptr);
    // Destroys the window of the last pass.
    ~ZWindowLoop() override;

    // Runs passes until an exit code other than 3 and returns it.
    int exec();
    // The window of the current (or last) pass.
    TarnWindow *window() const { return m_window; }
    int passes() const { return m_passes; }
    // The open exchange monitor, or null.
    ZMonitor *monitor() const { return m_monitor; }

public slots:
    // SIGINT or SIGTERM: the loop ends with the event loop, even if a restart was asked for
    // meanwhile.
    void terminate();

private:
    void buildWindow();
    void openMonitor();

    ZAbstractTarn *m_device;
    int m_logInterval;
    ZStartup::Places m_places;
    TarnWindow *m_window = nullptr;
    // The monitor deletes itself when the operator closes it, which clears this pointer.
    QPointer<ZMonitor> m_monitor;
    int m_passes = 0;
    bool m_terminated = false;
};

#endif // ZWINDOWLOOP_H
