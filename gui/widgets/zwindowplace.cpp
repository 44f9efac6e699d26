#include "zwindowplace.h"

#include <QSettings>
#include <QWidget>

#include <memory>

#include "zstartup.h"

namespace {

const QString GeometryKey = QStringLiteral("/Geometry");

} // namespace

bool ZWindowPlace::restore(QWidget *window, const QString &group)
{
    if (ZStartup::settingsFilePath().isEmpty())
        return false;
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    const QByteArray geometry = settings->value(group + GeometryKey).toByteArray();
    // A place on a screen that is no longer there is moved onto one that is.
    return !geometry.isEmpty() && window->restoreGeometry(geometry);
}

void ZWindowPlace::save(const QWidget *window, const QString &group)
{
    if (ZStartup::settingsFilePath().isEmpty())
        return;
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    settings->setValue(group + GeometryKey, window->saveGeometry());
}
