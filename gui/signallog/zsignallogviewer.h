#ifndef ZSIGNALLOGVIEWER_H
#define ZSIGNALLOGVIEWER_H

#include <QDate>
#include <QWidget>

#include <memory>

#include "zsignallogfile.h"

namespace Ui {
class ZSignalLogViewer;
}
class QTimer;
class ZSignalLogReader;

// The window in which the operator looks back at the signal log: the days in the log folder on
// the left, newest first, and the chosen day's power on the right with the lowest, highest and
// mean power of the span on show. A day is read off the window's thread (ZSignalLogReader), so
// that a large file never stops the window; choosing another day while one is being read drops
// the first. While "Следить за файлом" is checked the chosen file is looked at every second and
// the lines the program has added since are drawn as well, which makes today's file a live
// record. The status line under the chart takes no width of its own, so that a long folder name
// or reason does not widen the window. Its place, size and the split between list and chart are
// kept in the settings file.
class ZSignalLogViewer : public QWidget
{
    Q_OBJECT

public:
    // A window of its own even with a parent; on showing, it chooses the newest day.
    explicit ZSignalLogViewer(const QString &logFolder, QWidget *parent = nullptr);
    ~ZSignalLogViewer() override;

    // Shows the day's file, chosen in the list when it is there; says so when there is none.
    void showDay(const QDate &day);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Lists the folder's days again, keeping the chosen one chosen.
    void refreshDays();
    void load(const QString &path);
    void poll();
    void showLoaded(const ZSignalLogFile::Result &result);
    void showAppended(const ZSignalLogFile::Result &result);
    void showCounts();

    std::unique_ptr<Ui::ZSignalLogViewer> form;
    QString m_folder;
    QTimer *m_refreshTimer;
    QTimer *m_followTimer;
    ZSignalLogReader *m_reader;
};

#endif // ZSIGNALLOGVIEWER_H
