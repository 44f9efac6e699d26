#ifndef ZREGMODEL_H
#define ZREGMODEL_H

#include <QAbstractTableModel>
#include <QPointer>

#include "zregister.h"

class ZAbstractDevice;

// The device's registers as a table: number, description, value, purpose, access and type. The
// value column is worded and coloured by what the last transaction left in the register, and
// editing it writes the register with confirmation.
//
// The model reads the register table on every call and never announces changes: the register
// dialog repaints its view on a timer, which is cheaper than a signal for each of the dozens of
// answers a second the device may deliver.
class ZRegModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        ColumnNumber = 0,
        ColumnDescription = 1,
        ColumnValue = 2,
        ColumnPurpose = 3,
        ColumnAccess = 4,
        ColumnType = 5,
        ColumnCount = 6
    };

    explicit ZRegModel(QObject *parent = nullptr);

    // The table belongs to the device; the model forgets it when the device goes away.
    void setRegisters(RegisterTable *registers);
    void setDevice(ZAbstractDevice *device);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    static QString accessText(int rw);
    static QVariant typeText(int type);

private:
    const ZRegister *registerAt(int row) const;
    QVariant valueText(const ZRegister &reg) const;
    QVariant shownValue(const ZRegister &reg) const;
    QVariant background(const ZRegister &reg) const;
    QVariant valueFont(const ZRegister &reg) const;
    void forgetDevice();

    QString noValueText;
    QString writeOnlyText;
    RegisterTable *registers = nullptr;
    QPointer<ZAbstractDevice> device;
};

#endif // ZREGMODEL_H
