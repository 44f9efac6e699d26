#ifndef ZWINDOWPLACE_H
#define ZWINDOWPLACE_H

#include <QObject>
#include <QSize>
#include <QString>

#include <functional>

class QWidget;

// Where a window of its own stood and how large it was, kept in the settings file under a
// group of its own, so that it opens again where the operator left it.
class ZWindowPlace : public QObject
{
    Q_OBJECT

public:
    // The size a window opens at the first time, from the room the screen leaves for windows.
    using DefaultSize = QSize (*)(const QSize &available);
    // 1000 by 600, or less on a small screen.
    static QSize usualSize(const QSize &available);
    // What else of the window is kept with its place (a splitter's state, say), saved at the same
    // moment; it must not touch the window's own class, which may be gone by then.
    using AlsoSave = std::function<void()>;

    // Puts `window` where it was left, or the first time at its default size centred on the
    // screen, and saves its place whenever it leaves the screen: closed, or deleted while shown
    // (with the main window, say). Not for a window merely minimised.
    static void keep(QWidget *window, const QString &group, DefaultSize defaultSize = usualSize,
                     const AlsoSave &alsoSave = {});

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ZWindowPlace(QWidget *window, const QString &group, const AlsoSave &alsoSave);

    QString m_group;
    AlsoSave m_alsoSave;
};

#endif // ZWINDOWPLACE_H
