#ifndef ZREGDELEGATE_H
#define ZREGDELEGATE_H

#include <QModelIndex>
#include <QStyledItemDelegate>

// The in-place editor of a register's value: a line edit that admits what the register's type
// can hold (unsigned digits for integers, a number for floats, nothing at all for raw data and
// read-only registers, any text for strings).
class ZRegDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ZRegDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

    // Text a float value starts with in the editor: six significant digits.
    static QString editorText(const QVariant &value);

signals:
    void writeRequest(QString str);

public slots:
    // Reloads the value into an editor open on `start`. Nothing calls it: the model announces no
    // changes, and an editor refreshed under the operator's fingers would lose what they typed.
    void updateEditor(QModelIndex start, QModelIndex);
};

#endif // ZREGDELEGATE_H
