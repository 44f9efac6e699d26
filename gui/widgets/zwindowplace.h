#ifndef ZWINDOWPLACE_H
#define ZWINDOWPLACE_H

#include <QString>

class QWidget;

// Where a window of its own stood and how large it was, kept in the settings file under a
// group of its own, so that it opens again where the operator left it.
class ZWindowPlace
{
public:
    // Puts `window` where it was saved under `group`; false, and nothing changed, when no place
    // was saved or what was saved cannot be read.
    static bool restore(QWidget *window, const QString &group);
    static void save(const QWidget *window, const QString &group);
};

#endif // ZWINDOWPLACE_H
