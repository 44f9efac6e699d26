#include "zregmodel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "transaction.h"
#include "zabstractdevice.h"

ZRegModel::ZRegModel(QObject *parent)
    : QAbstractTableModel(parent),
      noValueText(tr("--")),
      writeOnlyText(tr("Только запись"))
{
}

void ZRegModel::setRegisters(RegisterTable *registers)
{
    beginResetModel();
    this->registers = registers;
    endResetModel();
}

void ZRegModel::setDevice(ZAbstractDevice *device)
{
    if (this->device)
        disconnect(this->device, nullptr, this, nullptr);
    this->device = device;
    // The dialog may outlive the device for a moment when the program ends; the table goes with
    // the device, so the repaint must not reach for it afterwards.
    if (device)
        connect(device, &QObject::destroyed, this, &ZRegModel::forgetDevice);
}

void ZRegModel::forgetDevice()
{
    setRegisters(nullptr);
}

int ZRegModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !registers)
        return 0;
    return registers->size();
}

int ZRegModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const ZRegister *ZRegModel::registerAt(int row) const
{
    if (!registers || row < 0 || row >= registers->size())
        return nullptr;
    return &registers->at(row);
}

QString ZRegModel::accessText(int rw)
{
    switch (rw) {
    case ReadOnly:
        return tr("Только чтение");
    case WriteOnly:
        return tr("Только запись");
    case ReadWrite:
        return tr("Чтение и запись");
    default:
        return tr("Неизвестный параметр %1").arg(rw);
    }
}

QVariant ZRegModel::typeText(int type)
{
    switch (type) {
    case TypeInt:
        return tr("Целое");
    case TypeFloat:
        return tr("Вещественное");
    case TypeData:
    case TypeStatus:
        return tr("Данные");
    case TypeString:
        return tr("Строка");
    default:
        return QVariant();
    }
}

// What the register holds, in the form the editor starts from.
QVariant ZRegModel::shownValue(const ZRegister &reg) const
{
    if (reg.type() == TypeData || reg.type() == TypeStatus)
        return QString::fromLatin1(reg.rawData().toHex('$'));
    return reg.value();
}

QVariant ZRegModel::valueText(const ZRegister &reg) const
{
    if (reg.rw() == WriteOnly)
        return writeOnlyText;
    switch (reg.state()) {
    case StateNone:
        return noValueText;
    case StateFailed:
        return reg.errorText();
    case StateDeviceError:
        return tr("Устройство ответило ошибкой");
    case StateEchoed:
        return tr("Подтверждение...");
    case StateUnconfirmed:
        return tr("Ошибка подтверждения");
    default:
        return shownValue(reg);
    }
}

QVariant ZRegModel::background(const ZRegister &reg) const
{
    QColor colour;
    if (reg.rw() == WriteOnly) {
        colour = QColor(255, 253, 214);
    } else {
        switch (reg.state()) {
        case StateRead:
            colour = QColor(214, 255, 214);
            break;
        case StateFailed:
        case StateDeviceError:
        case StateUnconfirmed:
            colour = QColor(254, 103, 76);
            break;
        case StateEchoed:
            colour = QColor(255, 253, 214);
            break;
        case StateConfirmed:
            colour = QColor(196, 248, 243);
            break;
        default:
            return QVariant();
        }
    }
    return QBrush(colour);
}

QVariant ZRegModel::valueFont(const ZRegister &reg) const
{
    QFont font;
    if (reg.rw() != WriteOnly && reg.state() == StateConfirmed)
        font.setWeight(QFont::Bold);
    else if (reg.rw() == WriteOnly || reg.state() != StateRead)
        font.setItalic(true);
    return font;
}

QVariant ZRegModel::data(const QModelIndex &index, int role) const
{
    const ZRegister *reg = index.isValid() ? registerAt(index.row()) : nullptr;
    if (!reg)
        return QVariant();
    if (role == Qt::BackgroundRole)
        return background(*reg);

    switch (index.column()) {
    case ColumnNumber:
        return role == Qt::DisplayRole ? reg->number() : QVariant();
    case ColumnDescription:
        return role == Qt::DisplayRole ? reg->property(ZRegister::PropDescription) : QVariant();
    case ColumnValue:
        if (role == Qt::DisplayRole)
            return valueText(*reg);
        // Error texts and long data rarely fit the column; the whole text is a hover away.
        if (role == Qt::ToolTipRole)
            return valueText(*reg).toString();
        if (role == Qt::EditRole)
            return shownValue(*reg);
        if (role == Qt::FontRole)
            return valueFont(*reg);
        return QVariant();
    case ColumnPurpose:
        return role == Qt::DisplayRole ? QVariant(reg->purpose()) : QVariant();
    case ColumnAccess:
        if (role == Qt::DisplayRole)
            return accessText(reg->rw());
        if (role == Qt::UserRole)
            return reg->rw();
        return QVariant();
    case ColumnType:
        if (role == Qt::DisplayRole)
            return typeText(reg->type());
        if (role == Qt::UserRole)
            return reg->property(ZRegister::PropType);
        return QVariant();
    default:
        return QVariant();
    }
}

bool ZRegModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    Q_UNUSED(role)
    const QVariant number = index.sibling(index.row(), ColumnNumber).data(Qt::DisplayRole);
    if (data(index, Qt::DisplayRole) == value)
        return true;
    ZRegister *reg = findRegister(registers, number);
    if (reg && reg->rw() != ReadOnly && device)
        device->writeData(number, value, true);
    return true;
}

QVariant ZRegModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return QVariant();
    if (role == Qt::FontRole) {
        QFont font;
        font.setWeight(QFont::Bold);
        return font;
    }
    if (role == Qt::DisplayRole) {
        switch (section) {
        case ColumnNumber:
            return tr("№");
        case ColumnDescription:
            return tr("Описание");
        case ColumnValue:
            return tr("Значение");
        case ColumnPurpose:
            // Shown now that the column is: the default heading would be the bare number "4".
            return tr("Назначение");
        case ColumnAccess:
            return tr("Признак");
        case ColumnType:
            return tr("Тип");
        default:
            break;
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ZRegModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == ColumnValue)
        return flags | Qt::ItemIsEditable;
    return flags & ~Qt::ItemIsEditable;
}
