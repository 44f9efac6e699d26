#include "zregcontrol.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QVBoxLayout>

#include "zabstractdevice.h"
#include "zregmodel.h"
#include "ztableview.h"
#include "zwindowplace.h"

namespace {

// The settings group that keeps where the dialog stood.
const QString PlaceGroup = QStringLiteral("RegisterDialog");
// Room for the six columns of a register's row.
constexpr int DefaultWidth = 900;

} // namespace

ZRegControl::ZRegControl(QWidget *parent)
    : QWidget(parent),
      model(new ZRegModel(this)),
      view(new ZTableView(this)),
      refreshTimer(new QTimer(this)),
      readRegButton(new QPushButton(tr("Прочитать регистр"), this)),
      readGroupButton(new QPushButton(tr("Прочитать группу"), this)),
      cancelButton(new QPushButton(tr("Отмена"), this)),
      filterBox(new QComboBox(this)),
      progressBar(new QProgressBar(this)),
      groupRead(new ZGroupRead(this))
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    filterBox->setAccessibleName(tr("Фильтр"));
    view->setAccessibleName(tr("Регистры"));
    progressBar->setAlignment(Qt::AlignCenter);
    refreshTimer->setInterval(refreshInterval);

    connect(refreshTimer, &QTimer::timeout, this, &ZRegControl::updateTimer);
    refreshTimer->start();
    connect(filterBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ZRegControl::filterChange);
    connect(readRegButton, &QPushButton::clicked, this, &ZRegControl::readReg);
    connect(readGroupButton, &QPushButton::clicked, this, &ZRegControl::readGroup);
    connect(cancelButton, &QPushButton::clicked, this, &ZRegControl::cancelReadGroup);
    // An operator reaches for the right mouse button and the Right key as readily as for the
    // button.
    connect(this, &QWidget::customContextMenuRequested, this, &ZRegControl::customMenuRequested);
    connect(view, &ZTableView::readRequest, this, &ZRegControl::readReg);
    connect(groupRead, &ZGroupRead::progress, this, [this](int number, int done) {
        const int count = groupRead->groupCount();
        progressBar->setFormat(tr("Чтение регистра %1 [%v/%2]").arg(number).arg(count));
        progressBar->setValue(done);
    });
    connect(groupRead, &ZGroupRead::finished, this, [this] {
        progressBar->hide();
        cancelButton->hide();
        for (const QMetaObject::Connection &c : qAsConst(groupConnections))
            disconnect(c);
        groupConnections.clear();
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto *top = new QHBoxLayout;
    top->addWidget(readRegButton);
    top->addWidget(readGroupButton);
    top->addStretch();
    top->addWidget(filterBox);
    layout->addLayout(top);
    layout->addWidget(view);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(progressBar);
    bottom->addWidget(cancelButton);
    layout->addLayout(bottom);
    progressBar->hide();
    cancelButton->hide();

    if (!parent) {
        // Wide enough for all six columns (a 1366-pixel screen has room), half the height.
        ZWindowPlace::keep(this, PlaceGroup, [](const QSize &screen) {
            return QSize(qMin(qMax(int(screen.width() * 0.3), DefaultWidth), int(screen.width() * 0.95)),
                         int(screen.height() * 0.5));
        });
    }
}

ZRegControl::~ZRegControl()
{
    if (!device)
        return;
    // A group read left running would leave the device blocked for everybody else. Without one
    // the queue holds other windows' requests, which are not ours to drop.
    if (groupRead->isRunning())
        device->abort();
    device->setPause(false);
}

void ZRegControl::setDevice(ZAbstractDevice *device)
{
    if (!device)
        return;
    this->device = device;
    model->setRegisters(device->registers());
    model->setDevice(device);

    proxyModel = new QSortFilterProxyModel(this);
    proxyModel->setSourceModel(model);
    proxyModel->setFilterKeyColumn(ZRegModel::ColumnPurpose);

    filterBox->addItem(tr("Без статусных"));
    filterBox->addItem(tr("Все"));
    filterBox->addItems(purposeList(device->registers()));

    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setModel(proxyModel);

    QHeaderView *header = view->horizontalHeader();
    header->setSectionResizeMode(ZRegModel::ColumnNumber, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ZRegModel::ColumnDescription, QHeaderView::Interactive);
    header->setSectionResizeMode(ZRegModel::ColumnValue, QHeaderView::Stretch);
    // What a register is for, whether it may be written and how its value reads are shown too:
    // an operator about to write needs them at hand.
    for (int column : {ZRegModel::ColumnPurpose, ZRegModel::ColumnAccess, ZRegModel::ColumnType})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    setWindowTitle(device->property("name").toString());
    connect(groupRead, &ZGroupRead::pauseDevice, device, &ZAbstractDevice::setPause);
    connect(groupRead, &ZGroupRead::abortDevice, device, &ZAbstractDevice::abort);
    connect(groupRead, &ZGroupRead::readRegister, device, &ZAbstractDevice::readData);
    connect(groupRead, &ZGroupRead::blockDevice, device, &ZAbstractDevice::setBlock);

    // The table can be used while the device answers and nobody holds it. Either signal alone
    // would enable it wrongly: the end of a group read unblocks a device that may have lost its
    // link meanwhile, and a device that comes back may still be blocked.
    for (auto signal : {&ZAbstractDevice::blocked, &ZAbstractDevice::unblocked,
                        &ZAbstractDevice::connected, &ZAbstractDevice::disconnected}) {
        connect(device, signal, this, [this] {
            setControlsEnabled(this->device->isConnected() && !this->device->isBlocked());
        });
    }
    // A stopped device answers nothing more; the group read would wait for ever.
    connect(device, &ZAbstractDevice::finished, this, [this] {
        if (groupRead->isRunning())
            cancelReadGroup();
    });
    device->reportStatus();
}

void ZRegControl::setControlsEnabled(bool enabled)
{
    view->setEnabled(enabled);
    readRegButton->setEnabled(enabled);
    readGroupButton->setEnabled(enabled);
}

void ZRegControl::filterChange(int index)
{
    if (!proxyModel)
        return;
    if (index == 0) {
        const ZRegister *status = device ? device->statusRegister() : nullptr;
        // A device without a status register has nothing to leave out.
        proxyModel->setFilterRegExp(status ? QStringLiteral("^(?!%1).*$").arg(status->purpose())
                                           : QString());
    } else if (index == 1) {
        proxyModel->setFilterRegExp(QString());
    } else {
        proxyModel->setFilterRegExp(filterBox->itemText(index));
    }
    view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void ZRegControl::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    view->setColumnWidth(ZRegModel::ColumnDescription, int(width() * 0.4));
    view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void ZRegControl::updateTimer()
{
    view->viewport()->update();
}

QVariant ZRegControl::rowNumber(int row) const
{
    if (!proxyModel)
        return QVariant();
    return proxyModel->index(row, ZRegModel::ColumnNumber).data(Qt::DisplayRole);
}

void ZRegControl::readReg()
{
    if (!device || !proxyModel)
        return;
    const QModelIndex current = view->selectionModel() ? view->selectionModel()->currentIndex()
                                                       : QModelIndex();
    // Nothing chosen yet: there is no register to ask for.
    if (!current.isValid())
        return;
    device->readData(rowNumber(current.row()));
}

void ZRegControl::readGroup()
{
    if (!device || !proxyModel)
        return;
    if (!device->isConnected()) {
        QMessageBox::critical(nullptr, tr("Ошибка"), tr("Нет соединения с устройством"),
                              QMessageBox::Ok);
        return;
    }
    if (groupRead->isRunning())
        return;

    // Write-only registers cannot be read: asking would only bring a refusal and an error
    // message for each of them.
    QVector<QVariant> numbers;
    for (int row = 0; row < proxyModel->rowCount(); ++row) {
        if (proxyModel->index(row, ZRegModel::ColumnAccess).data(Qt::UserRole).toInt() != WriteOnly)
            numbers << rowNumber(row);
    }
    groupConnections << connect(device, &ZAbstractDevice::paketRcv, this, &ZRegControl::devicePaketRcv)
                     << connect(device, &ZAbstractDevice::paketError, this, &ZRegControl::devicePaketRcv)
                     << connect(device, &ZAbstractDevice::paketWriteFail, this, &ZRegControl::devicePaketWriteError)
                     << connect(device, &ZAbstractDevice::paketTimeout, this, &ZRegControl::devicePaketTimout);
    progressBar->setMaximum(numbers.size());
    groupRead->start(numbers);
    progressBar->show();
    cancelButton->show();
}

void ZRegControl::customMenuRequested(QPoint pos)
{
    // While the table is disabled (no link, a group read) there is nothing to read.
    if (!readRegButton->isEnabled())
        return;
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(tr("Прочитать регистр"), this, &ZRegControl::readReg);
    menu->popup(mapToGlobal(pos));
}
