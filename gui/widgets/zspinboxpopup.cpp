#include "zspinboxpopup.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>

ZSpinBoxPopup::ZSpinBoxPopup(QAbstractSpinBox *box, const QIcon &applyIcon, const QIcon &cancelIcon)
    : QWidget(box->window()),
      m_box(box),
      m_apply(new QPushButton(applyIcon, QString(), this)),
      m_cancel(new QPushButton(cancelIcon, QString(), this))
{
    setObjectName(QStringLiteral("popup_applyCancel"));
    m_apply->setObjectName(QStringLiteral("pushButton_apply"));
    m_cancel->setObjectName(QStringLiteral("pushButton_cancel"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_apply);
    layout->addWidget(m_cancel);
    connect(m_apply, &QPushButton::clicked, this, &ZSpinBoxPopup::applyClicked);
    connect(m_cancel, &QPushButton::clicked, this, &ZSpinBoxPopup::cancelClicked);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { focusMoved(now); });

    const QRect contents = box->contentsRect();
    const QPoint topLeft = box->mapTo(parentWidget(), QPoint(contents.left(), box->height()));
    setGeometry(topLeft.x(), topLeft.y(), contents.width(), box->height());
    show();
    raise();
}

void ZSpinBoxPopup::dismiss()
{
    hide();
    deleteLater();
}

QPalette ZSpinBoxPopup::tinted(const QPalette &base, const QColor &colour)
{
    QPalette palette = base;
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, Qt::black);
    return palette;
}

void ZSpinBoxPopup::focusMoved(QWidget *now)
{
    if (isHidden() || now == m_box || now == m_apply || now == m_cancel)
        return;
    // The spin box's own line edit hands its focus to the spin box; count it as the spin box.
    if (now && m_box->isAncestorOf(now))
        return;
    dismiss();
}
