#ifndef ZSIGNALLOGREADER_H
#define ZSIGNALLOGREADER_H

#include <QObject>

#include <memory>
#include <vector>

#include "zsignallogfile.h"

class QTimer;

// Reads one day's file of the signal log off the caller's thread, then follows it as the program
// adds lines. Each read runs in a short-lived thread of its own, so that a large file never stops
// the window; a read dropped (another day chosen, the window closed) stops at its next chunk and
// its result is never told. Everything is told on the caller's thread.
class ZSignalLogReader : public QObject
{
    Q_OBJECT

public:
    explicit ZSignalLogReader(QObject *parent = nullptr);
    // Drops the read under way and waits for every read's thread to end.
    ~ZSignalLogReader() override;

    // Reads the whole file, in place of whatever was read or being read.
    void load(const QString &path);
    // Reads the lines completed since the last read, once the file was read whole and no read
    // is under way; otherwise nothing.
    void readMore();
    // Stops the read under way and drops its result; a whole read dropped so waits for load().
    void drop();

    QString path() const { return m_path; }
    bool isLoaded() const { return m_loaded; }
    bool isReading() const { return m_read != nullptr; }
    // Complete lines read since load(), and the damaged ones among them.
    qint64 lines() const { return m_lines; }
    qint64 damaged() const { return m_damaged; }

signals:
    void loaded(const ZSignalLogFile::Result &result);
    // Lines added since the last read (their samples may lie before some read earlier).
    void appended(const ZSignalLogFile::Result &result);
    // The whole file could not be read.
    void failed(const QString &reason);
    // The file followed is gone, cut short or replaced by another: it has to be loaded again.
    void replaced();
    // The share of the whole read done, 0 to 1, every tenth of a second while it runs.
    void progress(double fraction);

private:
    struct Read;
    void start(qint64 offset);
    void finished(const std::shared_ptr<Read> &read);

    QTimer *m_progressTimer;
    std::shared_ptr<Read> m_read;                 // the read whose result is awaited; null when none
    std::vector<std::shared_ptr<Read>> m_running; // reads whose thread has not ended, dropped ones too
    QString m_path;
    bool m_loaded = false;
    qint64 m_end = 0;
    QByteArray m_head;
    qint64 m_lines = 0;
    qint64 m_damaged = 0;
};

#endif // ZSIGNALLOGREADER_H
