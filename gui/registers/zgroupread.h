#ifndef ZGROUPREAD_H
#define ZGROUPREAD_H

#include <QObject>
#include <QVariant>
#include <QVector>

// The register dialog's group read, without its widgets. All reads are queued at once while the
// device is paused, and the device is then blocked, so that nothing else is asked of it
// meanwhile; the outcome of the awaited register (its answer or its failure alike) moves the
// read on to the next one, and the last outcome, or a cancel, frees the device again.
//
// It knows the device only through the requests it signals and the outcomes it is handed: the
// dialog wires both, and the order of the requests is the device's order of work.
class ZGroupRead : public QObject
{
    Q_OBJECT

public:
    explicit ZGroupRead(QObject *parent = nullptr) : QObject(parent) {}

    bool isRunning() const { return m_running; }
    int groupCount() const { return m_numbers.size(); }

    // Reads the registers `numbers` in that order; nothing while a read is running.
    void start(const QVector<QVariant> &numbers);
    // An outcome of any request for register `dataId`.
    void advance(const QVariant &dataId);
    // Drops what is still queued and frees the device, running or not.
    void cancel();

signals:
    void pauseDevice(bool pause);
    void abortDevice();
    void readRegister(QVariant dataId);
    void blockDevice(bool block);
    // Register `number` is awaited, the `done`-th of groupCount().
    void progress(int number, int done);
    // The device is free again; sent before the read stops counting as running.
    void finished();

private:
    // A read is under way.
    bool m_running = false;
    // The registers of the running read, fixed when it starts: the operator may change the
    // dialog's filter meanwhile, and the outcomes have to be matched against what was asked.
    QVector<QVariant> m_numbers;
    int groupIndex = 0;
};

#endif // ZGROUPREAD_H
