#include "zspinboxpopup.h"

#include <QAbstractSpinBox>
#include <QHBoxLayout>
#include <QPushButton>

QWidget *ZSpinBoxPopup::show(QAbstractSpinBox *box, const QIcon &applyIcon, const QIcon &cancelIcon,
                             QPushButton **apply, QPushButton **cancel)
{
    QWidget *top = box->window();
    auto *popup = new QWidget(top);
    auto *layout = new QHBoxLayout(popup);
    layout->setContentsMargins(0, 0, 0, 0);
    *apply = new QPushButton(applyIcon, QString(), popup);
    *cancel = new QPushButton(cancelIcon, QString(), popup);
    popup->setObjectName(QStringLiteral("popup_applyCancel"));
    (*apply)->setObjectName(QStringLiteral("pushButton_apply"));
    (*cancel)->setObjectName(QStringLiteral("pushButton_cancel"));
    layout->addWidget(*apply);
    layout->addWidget(*cancel);

    const QRect contents = box->contentsRect();
    const QPoint topLeft = box->mapTo(top, QPoint(contents.left(), box->height()));
    popup->setGeometry(topLeft.x(), topLeft.y(), contents.width(), box->height());
    popup->show();
    popup->raise();
    return popup;
}

QPalette ZSpinBoxPopup::tinted(const QPalette &base, const QColor &colour)
{
    QPalette palette = base;
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, Qt::black);
    return palette;
}
