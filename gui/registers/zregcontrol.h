#ifndef ZREGCONTROL_H
#define ZREGCONTROL_H

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include "zgroupread.h"

class QComboBox;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTimer;
class ZAbstractDevice;
class ZRegModel;
class ZTableView;

// The register dialog: every register of the device with its last value and state, a filter by
// purpose, reading one register or every listed one, and writing a value by editing it in place.
//
// A group read (ZGroupRead) reads every listed register that can be read, one after another,
// with the device blocked for everybody else; the progress bar follows it and "Отмена" ends it.
class ZRegControl : public QWidget
{
    Q_OBJECT

public:
    explicit ZRegControl(QWidget *parent = nullptr);
    ~ZRegControl() override;

    void setDevice(ZAbstractDevice *device);

public slots:
    // The device's outcomes while a group read runs, each moving it on.
    void devicePaketRcv(QVariant dataId) { advanceGroupRead(dataId); }
    void devicePaketError(QVariant dataId, QString) { advanceGroupRead(dataId); }
    void devicePaketWriteError(QVariant dataId) { advanceGroupRead(dataId); }
    void devicePaketTimout(QVariant dataId) { advanceGroupRead(dataId); }
    void customMenuRequested(QPoint pos);
    void readReg();
    void readGroup();
    void cancelReadGroup() { groupRead->cancel(); }
    void filterChange(int index);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void updateTimer();
    void setControlsEnabled(bool enabled);

private:
    QVariant rowNumber(int row) const;
    // Every answer, error, time-out or refusal while a group read runs moves it on.
    void advanceGroupRead(const QVariant &dataId) { groupRead->advance(dataId); }

    QPointer<ZAbstractDevice> device;
    QSortFilterProxyModel *proxyModel = nullptr;
    ZRegModel *model;
    ZTableView *view;
    QTimer *refreshTimer;
    int refreshInterval = 100;
    QPushButton *readRegButton;
    QPushButton *readGroupButton;
    QPushButton *cancelButton;
    QComboBox *filterBox;
    QProgressBar *progressBar;
    ZGroupRead *groupRead;
    // The device's outcomes, routed to the group read while it runs.
    QList<QMetaObject::Connection> groupConnections;
};

#endif // ZREGCONTROL_H
