#include "zdevicestandard.h"

#include "zalarm.h"
#include "zvaluecodec.h"

#include <QTextCodec>

ZDeviceStandard::ZDeviceStandard(QObject *parent) : ZAbstractDevice(parent)
{
}

void ZDeviceStandard::setGeneralAlarm(bool alarm)
{
    const int value = alarm ? 1 : 0;
    if (value == m_generalAlarm)
        return;
    m_generalAlarm = value;
    emit generalAlarm(m_generalAlarm);
}

QString ZDeviceStandard::lcdText(const QByteArray &block)
{
    const int end = block.indexOf('\0');
    QString text = ZValueCodec::textCodec()->toUnicode(end < 0 ? block : block.left(end));
    text.replace(QChar(0x18), QChar(0x2191));
    text.replace(QChar(0x19), QChar(0x2193));
    return text;
}

// ---------------------------------------------------------------------------------------------
// Engine hooks

void ZDeviceStandard::onConnected()
{
    connectedHook();
}

void ZDeviceStandard::onDisconnected()
{
    // Forget everything the device told us. No signal: the window learns of the loss from
    // disconnected(), and the next replies announce whatever differs from the empty state.
    m_topLine.clear();
    m_bottomLine.clear();
    m_firmware.clear();
    m_generalAlarm = -1;
    for (ZAlarm *alarm : qAsConst(m_alarms))
        alarm->resetStates();
    resetTelemetry();
}

void ZDeviceStandard::onDataReceived(QVariant dataId)
{
    switch (dataId.toInt()) {
    case RegisterAlarmJournal:
        refreshAlarmBits(RegisterAlarmJournal);
        break;
    case RegisterFirmware: {
        const ZRegister *reg = findRegister(registers(), QVariant(int(RegisterFirmware)));
        m_firmware = reg ? reg->value().toString() : QString();
        emit firmwareChange(m_firmware);
        break;
    }
    case RegisterAlarms:
        refreshAlarmBits(RegisterAlarms);
        break;
    default:
        break;
    }
    onRegisterReceived(dataId);
}

void ZDeviceStandard::onPaketError(QVariant dataId, QString text)
{
    Q_UNUSED(text)
    onRegisterError(dataId);
}

void ZDeviceStandard::onStatusReceived(QByteArray payload)
{
    decodeLcd(payload);
    decodeTelemetry(payload);
}

void ZDeviceStandard::refreshAlarmBits(int registerNumber)
{
    const ZRegister *reg = findRegister(registers(), QVariant(registerNumber));
    if (!reg)
        return;
    // Both the alarm register and the journal register are applied to the list bits: the
    // devices of this family report the journal in the same bit layout as the current alarms.
    const QByteArray bytes = reg->rawData();
    for (ZAlarm *alarm : qAsConst(m_alarms))
        alarm->checkList(bytes);
}

void ZDeviceStandard::decodeLcd(const QByteArray &payload)
{
    // Too short to hold both lines and at least one byte of telemetry before them.
    if (payload.size() < 2 * LcdLineSize + 1)
        return;
    const QString bottom = lcdText(payload.right(LcdLineSize));
    const QString top = lcdText(payload.mid(payload.size() - 2 * LcdLineSize, LcdLineSize));
    if (bottom != m_bottomLine) {
        m_bottomLine = bottom;
        emit bottomLcdChange(m_bottomLine);
    }
    if (top != m_topLine) {
        m_topLine = top;
        emit topLcdChange(m_topLine);
    }
}
