#ifndef ZSIGNALWATCHER_H
#define ZSIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into an orderly end of the event loop with exit code 0, so that a
// program stopped from a terminal or by a service manager saves its settings like one closed
// from its window. The handler only writes a byte to a socket pair; the rest runs in the loop.
//
// A program calls blockTerminationSignals() as the first statement of main(): a signal that
// comes while the application object is still being built then waits, and the watcher's
// constructor, once its handler is in place, unblocks it and so lets it through to the loop.
class ZSignalWatcher : public QObject
{
    Q_OBJECT
public:
    // Holds SIGINT and SIGTERM back on the calling thread until a watcher exists.
    static void blockTerminationSignals();

    // Installs the handler, then unblocks both signals on the calling thread (whether or not
    // the handler could be installed), so that children started later inherit a clean mask.
    explicit ZSignalWatcher(QObject *parent = nullptr);
    ~ZSignalWatcher() override;

    bool isActive() const { return m_notifier != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private slots:
    void on_notifier_activated();

private:
    QSocketNotifier *m_notifier = nullptr;
};

#endif // ZSIGNALWATCHER_H
