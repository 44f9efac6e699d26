#ifndef ZMARKERMENU_H
#define ZMARKERMENU_H

#include <QList>
#include <QMenu>

class QAction;

// The menu of one marker button: make the marker absolute, a maximum marker or a difference to
// the maximum or to another marker, or remove it. The window keeps the delta targets in step
// with the markers that exist.
class ZMarkerMenu : public QMenu
{
    Q_OBJECT

public:
    explicit ZMarkerMenu(int num, QWidget *parent = nullptr);

    int number() const { return num; }
    void clearDeltaTargets();
    // Offers "Дельта Мk"; ignored for the menu's own marker and for a target already offered.
    void addDeltaTarget(int num);

signals:
    void createMarker(int num, int type, int deltaTo);
    void removeMarker(int num);

private:
    int num;
    QMenu *deltaMenu;
    QList<QAction *> deltaTargets;
};

#endif // ZMARKERMENU_H
