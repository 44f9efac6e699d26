#include "zregdelegate.h"

#include <QLineEdit>
#include <QTableView>

#include "uintvalidator.h"
#include "zdoublevalidator.h"
#include "zregister.h"
#include "zregmodel.h"

ZRegDelegate::ZRegDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QWidget *ZRegDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    Q_UNUSED(option)
    auto *edit = new QLineEdit(parent);
    const int access = index.sibling(index.row(), ZRegModel::ColumnAccess).data(Qt::UserRole).toInt();
    const int type = index.sibling(index.row(), ZRegModel::ColumnType).data(Qt::UserRole).toInt();
    if (access == ReadOnly)
        edit->setReadOnly(true);
    switch (type) {
    case TypeInt:
        edit->setValidator(new UintValidator(edit));
        break;
    case TypeFloat:
        edit->setValidator(new ZDoubleValidator(edit));
        break;
    case TypeData:
    case TypeStatus:
        edit->setReadOnly(true);
        break;
    default:
        break;
    }
    return edit;
}

QString ZRegDelegate::editorText(const QVariant &value)
{
    if (value.userType() == QMetaType::Float || value.userType() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 6);
    return value.toString();
}

void ZRegDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        edit->setText(editorText(index.data(Qt::EditRole)));
}

void ZRegDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    // Only what the operator typed is written. An editor opened and left (focus moved away,
    // Return pressed) would otherwise write what it was given: nothing for a register not yet
    // read, which the integer editor fixes up to 0 and the text editor sends as an empty name.
    if (!edit || !edit->isModified())
        return;
    QString text = edit->text();
    // The value conversion reads a decimal point only; the operator may have typed a comma.
    if (auto *number = qobject_cast<const ZDoubleValidator *>(edit->validator()))
        text = number->numberText(text);
    model->setData(index, QVariant(text), Qt::EditRole);
}

void ZRegDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}

void ZRegDelegate::updateEditor(QModelIndex start, QModelIndex)
{
    auto *view = qobject_cast<QTableView *>(parent());
    if (!view || start.column() != ZRegModel::ColumnValue)
        return;
    if (QWidget *editor = view->indexWidget(start))
        setEditorData(editor, start);
}
