#include "ztableview.h"

#include <QKeyEvent>

#include "zregdelegate.h"
#include "zregmodel.h"

ZTableView::ZTableView(QWidget *parent)
    : QTableView(parent),
      delegate(new ZRegDelegate(this))
{
    setItemDelegateForColumn(ZRegModel::ColumnValue, delegate);
}

void ZTableView::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex valueIndex = currentIndex().sibling(currentIndex().row(), ZRegModel::ColumnValue);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (state() != EditingState && valueIndex.isValid()
                && (model()->flags(valueIndex) & Qt::ItemIsEditable)) {
            edit(valueIndex);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The editor sits in the value column of the current row, whichever cell of the row is
        // current. Closing it here, before the cursor moves, keeps the move from committing it.
        if (state() == EditingState) {
            if (QWidget *editor = indexWidget(valueIndex))
                closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        }
        break;
    case Qt::Key_Right:
        emit readRequest();
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}
