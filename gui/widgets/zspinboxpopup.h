#ifndef ZSPINBOXPOPUP_H
#define ZSPINBOXPOPUP_H

#include <QColor>
#include <QPalette>
#include <QWidget>

class QAbstractSpinBox;
class QIcon;
class QPushButton;

// The apply/cancel strip that appears under a parameter spin box while the operator edits it.
// It is a child of the spin box's window, directly under the spin box, as wide as its contents
// and as high as the spin box. It stays only while the spin box or one of its own buttons has
// the focus: focus going anywhere else takes it away (the edit itself stays).
class ZSpinBoxPopup : public QWidget
{
    Q_OBJECT

public:
    ZSpinBoxPopup(QAbstractSpinBox *box, const QIcon &applyIcon, const QIcon &cancelIcon);

    // Hides the strip and deletes it once control is back in the event loop: this may run
    // inside a click of one of its own buttons.
    void dismiss();

    // `base` with the given base colour and black text in every colour group.
    static QPalette tinted(const QPalette &base, const QColor &colour);

signals:
    void applyClicked();
    void cancelClicked();

private:
    void focusMoved(QWidget *now);

    QAbstractSpinBox *m_box;
    QPushButton *m_apply;
    QPushButton *m_cancel;
};

#endif // ZSPINBOXPOPUP_H
