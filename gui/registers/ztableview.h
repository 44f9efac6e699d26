#ifndef ZTABLEVIEW_H
#define ZTABLEVIEW_H

#include <QTableView>

class ZRegDelegate;

// The register table. Return opens the value editor of the current row; Up or Down while it is
// open drops the edit instead of writing it; Right asks for the current register to be read.
class ZTableView : public QTableView
{
    Q_OBJECT

public:
    explicit ZTableView(QWidget *parent = nullptr);

    ZRegDelegate *regDelegate() const { return delegate; }

signals:
    void readRequest();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    ZRegDelegate *delegate;
};

#endif // ZTABLEVIEW_H
