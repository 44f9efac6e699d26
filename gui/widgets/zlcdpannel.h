#ifndef ZLCDPANNEL_H
#define ZLCDPANNEL_H

#include <QList>
#include <QWidget>

class QPushButton;

namespace Ui {
class ZLcdPannel;
}

// A copy of the receiver's front panel: its two-line display and its nine keys. The keys send
// the device's own key codes 1 to 9; the display shows the lines the device reports.
class ZLcdPannel : public QWidget
{
    Q_OBJECT

public:
    explicit ZLcdPannel(QWidget *parent = nullptr);
    ~ZLcdPannel() override;

signals:
    void buttonClicked(int num);

public slots:
    void topLcdChange(QString text);
    void bottomLcdChange(QString text);
    void connected();
    void disconnected();

private:
    // Called for every key click; not a slot, so that the form's connection by name does not
    // look for a child called "buttonClick".
    void on_buttonClick(int num);
    void setKeysEnabled(bool enabled);

    Ui::ZLcdPannel *ui;
    QList<QPushButton *> m_keys;
};

#endif // ZLCDPANNEL_H
