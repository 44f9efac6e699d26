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
    // A place on a screen that is no longer there is moved onto one that is.
    if (!ZStartup::settingsFilePath().isEmpty())
        window->restoreGeometry(std::unique_ptr<QSettings>(ZStartup::openSettings())->value(group + GeometryKey).toByteArray());
    // A window deleted while shown is hidden on the way, its place still intact.
    window->installEventFilter(new ZWindowPlace(window, group, alsoSave));
}

QSize ZWindowPlace::usualSize(const QSize &available)
{
    return QSize(qMin(1000, int(available.width() * 0.9)), qMin(600, int(available.height() * 0.8)));
}

bool ZWindowPlace::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && !event->spontaneous() && !ZStartup::settingsFilePath().isEmpty()) {
        std::unique_ptr<QSettings>(ZStartup::openSettings())
            ->setValue(m_group + GeometryKey, static_cast<QWidget *>(watched)->saveGeometry());
        if (m_alsoSave)
            m_alsoSave();
    }
    return false;
}
