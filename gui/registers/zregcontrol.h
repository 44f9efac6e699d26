#ifndef ZREGCONTROL_H
#define ZREGCONTROL_H

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <QVector>
#include <QWidget>

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
// A group read queues a read of every listed register that can be read at once and blocks the
// device, so that nothing else is asked of it meanwhile; the progress follows the answers, one
// register at a time, and the last answer (or "Отмена") unblocks the device again.
class ZRegControl : public QWidget
{
    Q_OBJECT

public:
    explicit ZRegControl(QWidget *parent = nullptr);
    ~ZRegControl() override;

    void setDevice(ZAbstractDevice *device);

public slots:
    void devicePaketRcv(QVariant dataId);
    void devicePaketError(QVariant dataId, QString errorText);
    void devicePaketWriteError(QVariant dataId);
    void devicePaketTimout(QVariant dataId);
    void customMenuRequested(QPoint pos);
    void readReg();
    void readGroup();
    void cancelReadGroup();
    void filterChange(int index);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void updateTimer();
    void setControlsEnabled(bool enabled);

private:
    void advanceGroupRead(const QVariant &dataId);
    void nextGroupRow();
    QVariant rowNumber(int row) const;
    void showGroupProgress();

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
    int groupIndex = 0;
    int groupCount = 0;
    int groupNumber = 0;

    // A group read is under way.
    bool groupRunning = false;
    // The registers of the running group read, fixed when it starts: the operator may change
    // the filter meanwhile, and the answers have to be matched against what was asked.
    QVector<QVariant> groupNumbers;
    QList<QMetaObject::Connection> groupConnections;
};

#endif // ZREGCONTROL_H
