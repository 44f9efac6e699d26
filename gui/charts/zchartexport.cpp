#include "zchartexport.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextStream>

#include <qcustomplot.h>

#include <memory>

#include "zstartup.h"

namespace {

const QString FolderKey = QStringLiteral("Charts/SaveFolder");

QString rememberedFolder()
{
    QString folder;
    if (!ZStartup::settingsFilePath().isEmpty()) {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        folder = settings->value(FolderKey).toString();
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

void rememberFolder(const QString &fileName)
{
    if (ZStartup::settingsFilePath().isEmpty())
        return;
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    settings->setValue(FolderKey, QFileInfo(fileName).absolutePath());
}

} // namespace

ZChartExport::ZChartExport(QCustomPlot *chart, CsvWriter writeCsv)
    : QObject(chart), m_chart(chart), m_writeCsv(std::move(writeCsv))
{
    chart->setContextMenuPolicy(Qt::DefaultContextMenu);
    // Reached with Tab like any control, so that the menu key opens the chart's menu.
    chart->setFocusPolicy(Qt::TabFocus);
    chart->installEventFilter(this);
}

bool ZChartExport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_chart || event->type() != QEvent::ContextMenu)
        return false;
    QMenu menu(m_chart);
    menu.addAction(tr("Сохранить изображение…"), this, &ZChartExport::askAndSaveImage);
    menu.addAction(tr("Сохранить данные…"), this, &ZChartExport::askAndSaveData);
    menu.exec(static_cast<QContextMenuEvent *>(event)->globalPos());
    return true;
}

QString ZChartExport::askFileName(const QString &title, const QStringList &filters) const
{
    const QString name = m_chart->accessibleName().isEmpty() ? QStringLiteral("chart") : m_chart->accessibleName();
    QFileDialog dialog(m_chart, title, QDir(rememberedFolder()).filePath(name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    // The suffix of the kind chosen is added before the dialog looks for a file of that name, so
    // that replacing one is asked about whatever the operator typed.
    auto suffixOf = [](const QString &filter) { return filter.section(QLatin1String("(*."), 1).section(QLatin1Char(')'), 0, 0); };
    dialog.setDefaultSuffix(suffixOf(filters.first()));
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, suffixOf](const QString &filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString fileName = dialog.selectedFiles().first();
    rememberFolder(fileName);
    return fileName;
}

void ZChartExport::askAndSaveImage()
{
    const QString fileName = askFileName(tr("Сохранить изображение"), {tr("Изображение PNG (*.png)"), tr("Документ PDF (*.pdf)")});
    QString error;
    if (!fileName.isEmpty() && !saveImage(fileName, &error))
        emit failed(error);
}

void ZChartExport::askAndSaveData()
{
    const QString fileName = askFileName(tr("Сохранить данные"), {tr("Таблица CSV (*.csv)")});
    QString error;
    if (!fileName.isEmpty() && !saveData(fileName, &error))
        emit failed(error);
}

bool ZChartExport::saveImage(const QString &fileName, QString *error) const
{
    // Drawn by the chart into a scratch file first and checked whole: neither writer reports a
    // file cut short by a full disk.
    const bool pdf = fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    QTemporaryFile scratch(QDir(QDir::tempPath()).filePath(QStringLiteral("tarncontrol-XXXXXX") + (pdf ? ".pdf" : ".png")));
    if (!scratch.open())
        return failWith(fileName, scratch.errorString(), error);
    scratch.close();
    // Zero sizes: the chart's own size on screen.
    const bool drawn = pdf ? m_chart->savePdf(scratch.fileName(), 0, 0) : m_chart->savePng(scratch.fileName(), 0, 0);
    QFile image(scratch.fileName());
    if (!drawn || !image.open(QIODevice::ReadOnly))
        return failWith(fileName, tr("изображение не построено"), error);
    const QByteArray bytes = image.readAll();
    const bool whole = pdf ? bytes.trimmed().endsWith("%%EOF") : !QImage::fromData(bytes, "PNG").isNull();
    if (!whole)
        return failWith(fileName, tr("изображение записано не полностью"), error);
    return writeWhole(fileName, [&bytes](QIODevice &out) { return out.write(bytes) == bytes.size(); }, error);
}

bool ZChartExport::saveData(const QString &fileName, QString *error) const
{
    return writeWhole(fileName, [this](QIODevice &out) {
        QTextStream text(&out);
        text.setCodec("UTF-8");
        m_writeCsv(text);
        text.flush();
        return text.status() == QTextStream::Ok;
    }, error);
}

bool ZChartExport::writeWhole(const QString &fileName, const std::function<bool(QIODevice &)> &write,
                              QString *error) const
{
    // Written beside the target under a name of its own and renamed over it only when complete:
    // a failure leaves the earlier file as it was. A new file gets the permissions any file of
    // the operator's gets, a replaced one keeps its own.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failWith(fileName, file.errorString(), error);
    if (!write(file)) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : tr("запись не удалась");
        file.cancelWriting();
        return failWith(fileName, reason, error);
    }
    if (!file.commit())
        return failWith(fileName, file.errorString(), error);
    return true;
}

bool ZChartExport::failWith(const QString &fileName, const QString &reason, QString *error)
{
    if (error)
        *error = tr("Не удалось сохранить %1: %2").arg(QDir::toNativeSeparators(fileName), reason);
    return false;
}

QString ZChartExport::csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
