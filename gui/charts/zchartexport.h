#ifndef ZCHARTEXPORT_H
#define ZCHARTEXPORT_H

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QCustomPlot;
class QIODevice;
class QTextStream;

// What a chart shows, saved for a report: the chart's right-click menu (and the keyboard's menu
// key, the chart taking focus by Tab) offers "Сохранить изображение…" (PNG or PDF at the chart's
// size) and "Сохранить данные…" (CSV written by the chart). A file is written under a temporary
// name beside the chosen one and renamed over it only when complete, so that a failed save leaves
// neither a half-written file nor a damaged earlier one. The folder last saved to is kept in the
// settings file.
class ZChartExport : public QObject
{
    Q_OBJECT

public:
    using CsvWriter = std::function<void(QTextStream &out)>;

    ZChartExport(QCustomPlot *chart, CsvWriter writeCsv);

    // The image at the chart's size: PDF when the name ends in ".pdf", PNG otherwise.
    bool saveImage(const QString &fileName, QString *error) const;
    bool saveData(const QString &fileName, QString *error) const;

    // A field of a CSV line: quoted when it holds a comma, a quote or a line break.
    static QString csvField(const QString &text);

public slots:
    // What the menu's entries do, for a button of the chart's window to do as well: ask for a
    // file name, save, and say a failure through failed().
    void askAndSaveImage();
    void askAndSaveData();

signals:
    // Why a save failed, for the status bar.
    void failed(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Asks for a file name in the remembered folder; empty when the operator cancels.
    QString askFileName(const QString &title, const QStringList &filters) const;
    // Writes through `write` into a temporary file beside `fileName`, then renames it over.
    bool writeWhole(const QString &fileName, const std::function<bool(QIODevice &)> &write, QString *error) const;
    static bool failWith(const QString &fileName, const QString &reason, QString *error);

    QCustomPlot *m_chart;
    CsvWriter m_writeCsv;
};

#endif // ZCHARTEXPORT_H
