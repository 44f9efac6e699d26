#ifndef ZPANELMENU_H
#define ZPANELMENU_H

#include <QByteArray>
#include <QString>

class ZRegisterStore;
class ZSignalModel;

// The receiver's front panel: the menu its keys walk through, the frequency editor, and the two
// display lines, which show what the register store and the signal model hold.
class ZPanelMenu
{
public:
    ZPanelMenu(ZRegisterStore *store, const ZSignalModel *signal);

    // Back to the main screen, out of the editor.
    void reset();
    // One key as register 3 receives it; true when it clears the latched alarms.
    bool pressKey(int key);


    // The two display lines as the panel shows them with alarm bits `alarmBits` (24 bytes each,
    // Windows-1251).
    QByteArray topLine(quint8 alarmBits) const;
    QByteArray bottomLine(quint8 alarmBits) const;

private:
    qint32 frequency() const;

    ZRegisterStore *m_store;
    const ZSignalModel *m_signal;
    int m_screen = 0;   // ZEmulatedReceiver::Screen
    bool m_editing = false;
    qint32 m_editFrequency = 0;
    int m_editStep = 100;
};

#endif // ZPANELMENU_H
