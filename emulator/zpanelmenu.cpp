#include "zpanelmenu.h"

#include "zemulatedreceiver.h"
#include "zregisterstore.h"
#include "zsignalmodel.h"

#include <QStringList>

using R = ZEmulatedReceiver;

namespace {

QByteArray lcdText(const QString &text)
{
    return ZRegisterStore::text(text, R::LcdLineLength, ' ');
}

} // namespace

ZPanelMenu::ZPanelMenu(ZRegisterStore *store, const ZSignalModel *signal)
    : m_store(store)
    , m_signal(signal)
{
}

void ZPanelMenu::reset()
{
    m_screen = R::ScreenMain;
    m_editing = false;
}

qint32 ZPanelMenu::frequency() const
{
    return qint32(m_store->intValue(R::RegisterFrequency));
}

bool ZPanelMenu::pressKey(int key)
{
    if (m_editing) {
        switch (key) {
        case R::KeyUp:
            m_editFrequency += m_editStep;
            break;
        case R::KeyDown:
            m_editFrequency = qMax(0, m_editFrequency - m_editStep);
            break;
        case R::KeyLeft:
            m_editStep = qMin(10000, m_editStep * 10);
            break;
        case R::KeyRight:
            m_editStep = qMax(1, m_editStep / 10);
            break;
        case R::KeyOk:
            m_store->setIntValue(R::RegisterFrequency, m_editFrequency);
            m_editing = false;
            break;
        case R::KeyCancel:
        case R::KeyEscape:
            m_editing = false;
            break;
        default:
            break;
        }
        return false;
    }

    switch (key) {
    case R::KeyUp:
    case R::KeyLeft:
        m_screen = (m_screen + R::ScreenCount - 1) % R::ScreenCount;
        break;
    case R::KeyDown:
    case R::KeyRight:
        m_screen = (m_screen + 1) % R::ScreenCount;
        break;
    case R::KeyOk:
        if (m_screen == R::ScreenMain) {
            m_editing = true;
            m_editFrequency = frequency();
            m_editStep = 100;
        }
        break;
    case R::KeyReset:
        return m_screen == R::ScreenAlarms;
    case R::KeyAlarm:
        m_screen = R::ScreenAlarms;
        break;
    case R::KeyCancel:
    case R::KeyEscape:
        m_screen = R::ScreenMain;
        break;
    default:
        break;
    }
    return false;
}

QByteArray ZPanelMenu::topLine(quint8 alarmBits) const
{
    if (m_editing) {
        // 0x18 and 0x19 are the display's up and down arrows.
        return lcdText(QStringLiteral("Частота %1%2 шаг %3")
                           .arg(QChar(0x18)).arg(QChar(0x19)).arg(m_editStep));
    }
    switch (m_screen) {
    case R::ScreenPower:
        return lcdText(QStringLiteral("Мощность сигнала"));
    case R::ScreenTemperature:
        return lcdText(QStringLiteral("Температура"));
    case R::ScreenFirmware:
        return lcdText(QStringLiteral("Версия ПО"));
    case R::ScreenAlarms: {
        int count = 0;
        for (int bit = 1; bit < 7; ++bit)
            count += (alarmBits >> bit) & 1;
        return lcdText(QStringLiteral("Аварии: %1").arg(count));
    }
    default:
        return lcdText(QStringLiteral("Част. %1 кГц").arg(frequency()));
    }
}

QByteArray ZPanelMenu::bottomLine(quint8 alarmBits) const
{
    if (m_editing)
        return lcdText(QStringLiteral("> %1 кГц").arg(m_editFrequency));
    switch (m_screen) {
    case R::ScreenPower:
        return lcdText(QStringLiteral("%1 дБм  ср %2")
                           .arg(m_signal->signalPower(), 0, 'f', 1)
                           .arg(double(m_store->floatValue(R::RegisterAveragePower)), 0, 'f', 1));
    case R::ScreenTemperature:
        return lcdText(QStringLiteral("Синт %1°C ПЧ %2°C")
                           .arg(double(m_store->floatValue(R::RegisterSynthTemperature)), 0, 'f', 1)
                           .arg(double(m_store->floatValue(R::RegisterIfTemperature)), 0, 'f', 1));
    case R::ScreenFirmware:
        return lcdText(QString::fromUtf8(ZRegisterStore::FirmwareVersion));
    case R::ScreenAlarms: {
        QStringList bits;
        for (int bit = 1; bit < 7; ++bit) {
            if ((alarmBits >> bit) & 1)
                bits << QString::number(bit);
        }
        return lcdText(bits.isEmpty() ? QStringLiteral("нет") : QStringLiteral("Биты: ") + bits.join(QLatin1Char(' ')));
    }
    default:
        return lcdText(QStringLiteral("%1 дБм %2")
                           .arg(m_signal->signalPower(), 0, 'f', 1)
                           .arg(m_signal->lock() ? QStringLiteral("ЗАХВАТ") : QStringLiteral("НЕТ ЗАХВ.")));
    }
}
