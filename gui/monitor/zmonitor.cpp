#include "zmonitor.h"

#include <QLabel>
#include <QMetaProperty>
#include <QSplitter>
#include <QVBoxLayout>

#include "zabstractconnection.h"
#include "zabstractdevice.h"
#include "zconsole.h"
#include "zexchangetext.h"
#include "zserialportprops.h"
#include "zstartup.h"

namespace {

// A caption centred above a log, both in a plain widget for the splitter.
QWidget *captionedPane(const QString &caption, QWidget *log)
{
    auto *pane = new QWidget;
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(caption);
    label->setBuddy(log);
    log->setAccessibleName(caption);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addWidget(log);
    return pane;
}

} // namespace

ZMonitor::ZMonitor(ZAbstractDevice *device, QWidget *parent)
    : QWidget(parent), device(device)
{
    m_receivedLog = new ZExchangeText;
    m_sentLog = new ZExchangeText;
    m_console = new ZConsole;
    m_console->setAccessibleName(tr("Консоль"));
    connectionText = tr("Unknown");

    auto *logs = new QSplitter(Qt::Horizontal);
    logs->addWidget(captionedPane(tr("Переданные"), m_sentLog));
    logs->addWidget(captionedPane(tr("Принятые"), m_receivedLog));
    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(logs);
    split->addWidget(m_console);
    // The traffic gets two thirds of the height, the console the rest.
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split);
    resize(900, 640);

    m_console->output(tr("Monitor created, device status:"));
    m_console->setFocus(Qt::OtherFocusReason);

    deviceLabel = device->latinName();
    ZAbstractConnection *connection = device->connection();
    if (connection && connection->type() == 1)
        connectionText = ZSerialPortProps::fromVariant(connection->details()).toString();

    connect(device, &ZAbstractDevice::initStart, this, &ZMonitor::initStart);
    connect(device, &ZAbstractDevice::started, this, &ZMonitor::started);
    connect(device, &ZAbstractDevice::initFinish, this, &ZMonitor::initFinish);
    connect(device, &ZAbstractDevice::finished, this, &ZMonitor::finished);
    connect(device, &ZAbstractDevice::connected, this, &ZMonitor::deviceConnected);
    connect(device, &ZAbstractDevice::disconnected, this, &ZMonitor::deviceDisconnected);
    connect(device, &ZAbstractDevice::paramChange, this, &ZMonitor::paramChanged);
    connect(device, &ZAbstractDevice::message, this, &ZMonitor::message);
    connect(device, &ZAbstractDevice::critical, this, &ZMonitor::error);
    connect(device, &ZAbstractDevice::paketRcv, this, &ZMonitor::paketRcv);
    // A good status reply gets its verdict too, like any other reply: status polls are nearly
    // all of the traffic, and without it the log shows only their failures.
    connect(device, &ZAbstractDevice::statusRcv, this, [this] { paketRcv(QVariant()); });
    connect(device, &ZAbstractDevice::paketError, this, &ZMonitor::paketError);
    connect(device, &ZAbstractDevice::paketTimeout, this, &ZMonitor::paketTimeout);
    connect(device, &ZAbstractDevice::paketWriteFail, this, &ZMonitor::writeError);
    // Emitted on the serial worker's thread, so these arrive queued.
    if (connection) {
        connect(connection, &ZAbstractConnection::sent, this, &ZMonitor::dataOut);
        connect(connection, &ZAbstractConnection::dataIn, this, &ZMonitor::dataIn);
    }

    if (device->isStarted())
        m_console->printMessage(tr("%1: STARTED at %2").arg(deviceLabel, connectionText), true);
    else
        m_console->printMessage(tr("%1: STOPPED").arg(deviceLabel), true);
    if (device->isConnected())
        m_console->printMessage(tr("%1: CONNECTED").arg(deviceLabel), true);
    else
        m_console->printMessage(tr("%1: DISCONNECTED").arg(deviceLabel), true);

    QStringList properties;
    const QMetaObject *meta = device->metaObject();
    for (int i = 1; i < meta->propertyCount(); ++i)
        properties << QString::fromLatin1(meta->property(i).name());
    m_console->setCommands({{QStringLiteral("start"), {}},
                            {QStringLiteral("stop"), {}},
                            {QStringLiteral("set"), properties}});
    connect(m_console, &ZConsole::command, this, &ZMonitor::consoleCommand);
}

void ZMonitor::initStart()
{
    m_console->printMessage(tr("%1: initialize starting sequence").arg(deviceLabel), false);
}

void ZMonitor::started()
{
    m_console->printMessage(tr("%1: STARTED at %2").arg(deviceLabel, connectionText), true);
}

void ZMonitor::initFinish()
{
    m_console->printMessage(tr("%1: stopping").arg(deviceLabel), false);
}

void ZMonitor::finished()
{
    m_console->printMessage(tr("%1: STOPPED").arg(deviceLabel), true);
}

void ZMonitor::message(QString msg)
{
    m_console->printMessage(tr("%1: %2").arg(deviceLabel, msg), true);
}

void ZMonitor::error(QString msg)
{
    m_console->printMessage(tr("%1: %2").arg(deviceLabel, msg), true);
}

void ZMonitor::deviceConnected()
{
    m_console->printMessage(tr("%1: CONNECTED").arg(deviceLabel), true);
}

void ZMonitor::deviceDisconnected()
{
    m_console->printMessage(tr("%1: DISCONNECTED").arg(deviceLabel), true);
}

void ZMonitor::paramChanged(QString paramName, QVariant paramVal)
{
    m_console->printMessage(tr("%1: %2 set to %3").arg(deviceLabel, paramName, paramVal.toString()), true);
}

void ZMonitor::queueChanged()
{
}

void ZMonitor::paketRcv(QVariant dataId)
{
    m_receivedLog->paketRcv(dataId);
}

void ZMonitor::paketError(QVariant dataId, QString errorText)
{
    m_receivedLog->paketError(dataId, errorText);
}

void ZMonitor::paketTimeout()
{
    m_receivedLog->paketTimeout();
}

void ZMonitor::writeError(QVariant dataId)
{
    m_sentLog->writeError(dataId);
}

void ZMonitor::dataIn(QByteArray data)
{
    m_receivedLog->dataIn(data);
}

void ZMonitor::dataOut(QByteArray data)
{
    m_sentLog->dataOut(data);
}

bool ZMonitor::acceptsInt(const QString &property, int value) const
{
    if (property == QLatin1String("askinterval"))
        return value >= ZStartup::MinAskInterval && value <= ZStartup::MaxAskInterval;
    if (property == QLatin1String("waitinterval"))
        return value >= ZStartup::MinWaitTimeout && value <= ZStartup::MaxWaitTimeout;
    if (property == QLatin1String("maxlostinrow"))
        return value >= 1;
    return true;
}

void ZMonitor::consoleCommand(QString cmd, QString arg, QString val)
{
    if (cmd == QLatin1String("start")) {
        device->start();
        return;
    }
    if (cmd == QLatin1String("stop")) {
        device->stop();
        return;
    }
    if (cmd != QLatin1String("set"))
        return;

    const QByteArray name = arg.toLatin1();
    const QVariant current = device->property(name.constData());
    const QString deviceName = device->property("name").toString();
    if (!current.isValid()) {
        m_console->printMessage(tr("%1 does not contain property : %2").arg(deviceName, arg), true);
        return;
    }
    switch (current.type()) {
    case QVariant::Bool:
        device->setProperty(name.constData(), val);
        break;
    case QVariant::Int: {
        bool ok = false;
        const int number = val.toInt(&ok, 10);
        if (!ok || !acceptsInt(arg, number)) {
            m_console->printMessage(tr("%1 is not proper value for %2").arg(val, arg), true);
            return;
        }
        device->setProperty(name.constData(), val);
        break;
    }
    default:
        m_console->printMessage(tr("%1 not supported property type").arg(deviceName), true);
        break;
    }
}
