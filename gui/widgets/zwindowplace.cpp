#include "zwindowplace.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <memory>

#include "zstartup.h"

namespace {

const QString GeometryKey = QStringLiteral("/Geometry");

} // namespace

ZWindowPlace::ZWindowPlace(QWidget *window, const QString &group, const AlsoSave &alsoSave)
    : QObject(window), m_group(group), m_alsoSave(alsoSave)
{
}

void ZWindowPlace::keep(QWidget *window, const QString &group, DefaultSize defaultSize, const AlsoSave &alsoSave)
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window->resize(defaultSize(available.size()));
        window->move(available.center() - window->rect().center());
    }
    restore(window, group);
    // A window being deleted while shown is hidden on the way, its place still intact.
    window->installEventFilter(new ZWindowPlace(window, group, alsoSave));
}

bool ZWindowPlace::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && !event->spontaneous()) {
        save(static_cast<QWidget *>(watched), m_group);
        if (m_alsoSave)
            m_alsoSave();
    }
    return false;
}

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
