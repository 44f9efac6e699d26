#include "zmarkermenu.h"

#include "zspectrmarker.h"

ZMarkerMenu::ZMarkerMenu(int num, QWidget *parent) : QMenu(parent), num(num)
{
    connect(addAction(tr("Абсолют")), &QAction::triggered, this,
            [this] { emit createMarker(this->num, Absolute, 0); });
    connect(addAction(tr("Максимум")), &QAction::triggered, this,
            [this] { emit createMarker(this->num, Max, 0); });
    connect(addAction(tr("Удалить")), &QAction::triggered, this,
            [this] { emit removeMarker(this->num); });
    deltaMenu = addMenu(tr("Дельта"));
    connect(deltaMenu->addAction(tr("Максимум")), &QAction::triggered, this,
            [this] { emit createMarker(this->num, DeltaMax, 0); });
}

void ZMarkerMenu::clearDeltaTargets()
{
    qDeleteAll(deltaTargets);
    deltaTargets.clear();
}

void ZMarkerMenu::addDeltaTarget(int target)
{
    if (target == num)
        return;
    for (const QAction *action : qAsConst(deltaTargets)) {
        if (action->property("num").toInt() == target)
            return;
    }
    QAction *action = deltaMenu->addAction(tr("Дельта М%1").arg(target));
    action->setProperty("num", target);
    connect(action, &QAction::triggered, this,
            [this, target] { emit createMarker(num, DeltaMarker, target); });
    deltaTargets.append(action);
}
