#ifndef ZSPINBOXPOPUP_H
#define ZSPINBOXPOPUP_H

#include <QColor>
#include <QIcon>
#include <QPalette>

class QAbstractSpinBox;
class QPushButton;
class QWidget;

// What the two parameter spin boxes share: the apply/cancel strip that appears under a spin box
// while the operator edits it, and the tinted palettes that tell an edit from a reported value.
class ZSpinBoxPopup
{
public:
    // A strip holding the apply button and then the cancel button (images only), made a child
    // of the spin box's window and placed directly under the spin box, as wide as its contents
    // and as high as the spin box. Shown; the buttons are handed back through `apply`/`cancel`.
    static QWidget *show(QAbstractSpinBox *box, const QIcon &applyIcon, const QIcon &cancelIcon,
                         QPushButton **apply, QPushButton **cancel);

    // `base` with the given base colour and black text in every colour group.
    static QPalette tinted(const QPalette &base, const QColor &colour);
};

#endif // ZSPINBOXPOPUP_H
