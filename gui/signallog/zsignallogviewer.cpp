#include "zsignallogviewer.h"
#include "ui_zsignallogviewer.h"

#include <QDir>
#include <QFileInfo>
#include <QHideEvent>
#include <QLocale>
#include <QSettings>
#include <QTimer>

#include "zchartexport.h"
#include "zsignallogchart.h"
#include "zsignallogreader.h"
#include "zstartup.h"
#include "zwindowplace.h"

namespace {

const QString PlaceGroup = QStringLiteral("SignalLogViewer");
const QString SplitterKey = QStringLiteral("SignalLogViewer/Splitter");
constexpr int PathRole = Qt::UserRole;
// Today's file appears when the program writes its first line of the day.
constexpr int RefreshMs = 3000;
constexpr int FollowMs = 1000;

} // namespace

ZSignalLogViewer::ZSignalLogViewer(const QString &logFolder, QWidget *parent)
    : QWidget(parent, Qt::Window),
      form(new Ui::ZSignalLogViewer),
      m_folder(logFolder),
      m_reader(new ZSignalLogReader(this))
{
    form->setupUi(this);
    form->statistics->setText(form->chart->statisticsText());
    form->splitter->setSizes({180, 820});

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(RefreshMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &ZSignalLogViewer::refreshDays);
    m_followTimer = new QTimer(this);
    m_followTimer->setInterval(FollowMs);
    connect(m_followTimer, &QTimer::timeout, this, &ZSignalLogViewer::poll);
    connect(m_reader, &ZSignalLogReader::progress, this,
            [this](double fraction) { form->progress->setValue(qRound(fraction * 1000)); });
    connect(m_reader, &ZSignalLogReader::loaded, this, &ZSignalLogViewer::showLoaded);
    connect(m_reader, &ZSignalLogReader::appended, this, &ZSignalLogViewer::showAppended);
    connect(m_reader, &ZSignalLogReader::failed, this, [this](const QString &reason) {
        form->progress->hide();
        form->status->setText(tr("Не удалось прочитать %1: %2").arg(QFileInfo(m_reader->path()).fileName(), reason));
    });
    // Gone, cut short or put in place of the one read: read whatever is there now.
    connect(m_reader, &ZSignalLogReader::replaced, this, [this] { load(m_reader->path()); });

    connect(form->days, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *current) {
        if (current)
            load(current->data(PathRole).toString());
    });
    connect(form->chart, &ZSignalLogChart::statisticsChanged, this,
            [this] { form->statistics->setText(form->chart->statisticsText()); });
    connect(form->follow, &QCheckBox::toggled, this, [this](bool on) {
        if (on && isVisible()) {
            m_followTimer->start();
            poll();
        } else {
            m_followTimer->stop();
        }
    });
    connect(form->save, &QPushButton::clicked, form->chart->exporter(), &ZChartExport::askAndSaveData);
    connect(form->chart->exporter(), &ZChartExport::failed, form->status, &QLabel::setText);

    if (!ZStartup::settingsFilePath().isEmpty()) {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        form->splitter->restoreState(settings->value(SplitterKey).toByteArray());
    }
    ZWindowPlace::keep(this, PlaceGroup, ZWindowPlace::usualSize, [splitter = form->splitter] {
        std::unique_ptr<QSettings>(ZStartup::openSettings())->setValue(SplitterKey, splitter->saveState());
    });
}

ZSignalLogViewer::~ZSignalLogViewer()
{
    // Off the screen while the window is whole: the read under way is dropped, the place kept.
    hide();
}

void ZSignalLogViewer::showDay(const QDate &day)
{
    refreshDays();
    const QString name = ZSignalLogFile::fileName(day);
    const QList<QListWidgetItem *> found = form->days->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) {
        form->days->setCurrentItem(nullptr);
        form->days->clearSelection();
        load(QDir(m_folder).filePath(name));
    } else if (form->days->currentItem() != found.first()) {
        form->days->setCurrentItem(found.first());
    } else if (!m_reader->isLoaded() && !m_reader->isReading()) {
        load(found.first()->data(PathRole).toString());
    }
}

void ZSignalLogViewer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshDays();
    m_refreshTimer->start();
    if (form->follow->isChecked())
        m_followTimer->start();
    // A read dropped when the window was closed.
    if (!m_reader->path().isEmpty() && !m_reader->isLoaded() && !m_reader->isReading())
        load(m_reader->path());
}

void ZSignalLogViewer::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Not when the window is only minimised.
    if (event->spontaneous())
        return;
    m_refreshTimer->stop();
    m_followTimer->stop();
    m_reader->drop();
    form->progress->hide();
}

void ZSignalLogViewer::refreshDays()
{
    const QDir dir(m_folder);
    QFileInfoList files;
    if (!m_folder.isEmpty() && dir.exists()) {
        // Names of days sort as the days do.
        const QFileInfoList entries = dir.entryInfoList(QDir::Files, QDir::Name | QDir::Reversed);
        for (const QFileInfo &info : entries) {
            if (ZSignalLogFile::dayOf(info.fileName()).isValid())
                files.append(info);
        }
    }

    QStringList names, listed;
    for (const QFileInfo &info : qAsConst(files))
        names.append(info.fileName());
    for (int i = 0; i < form->days->count(); ++i)
        listed.append(form->days->item(i)->text());
    if (names != listed) {
        const QString chosen = form->days->currentItem() ? form->days->currentItem()->text() : QString();
        const QSignalBlocker blocker(form->days);
        form->days->clear();
        for (const QFileInfo &info : qAsConst(files)) {
            auto *item = new QListWidgetItem(info.fileName(), form->days);
            item->setData(PathRole, info.absoluteFilePath());
            if (item->text() == chosen)
                form->days->setCurrentItem(item);
        }
    }
    const QLocale locale;
    for (int i = 0; i < files.size(); ++i) {
        const QFileInfo &info = files.at(i);
        const QString day = locale.toString(ZSignalLogFile::dayOf(info.fileName()), QLocale::LongFormat);
        form->days->item(i)->setToolTip(tr("%1, %2").arg(day, locale.formattedDataSize(info.size())));
    }

    if (!m_reader->path().isEmpty())
        return;
    if (files.isEmpty()) {
        // No folder at all when the operator declined to create one at start.
        const QString folder = QDir::toNativeSeparators(m_folder);
        form->status->setText(m_folder.isEmpty() ? tr("Журнал сигнала не ведётся")
                          : dir.exists()     ? tr("В папке %1 нет файлов журнала").arg(folder)
                                             : tr("Папки журнала %1 нет").arg(folder));
    } else {
        form->days->setCurrentRow(0);
    }
}

void ZSignalLogViewer::load(const QString &path)
{
    form->chart->setPoints({}, {});
    form->status->setText(tr("Чтение %1…").arg(QFileInfo(path).fileName()));
    form->progress->setValue(0);
    form->progress->show();
    m_reader->load(path);
}

void ZSignalLogViewer::poll()
{
    if (form->follow->isChecked())
        m_reader->readMore();
}

void ZSignalLogViewer::showLoaded(const ZSignalLogFile::Result &result)
{
    form->progress->hide();
    form->chart->setPoints(result.times, result.powers);
    showCounts();
}

void ZSignalLogViewer::showAppended(const ZSignalLogFile::Result &result)
{
    if (!result.times.isEmpty())
        form->chart->appendPoints(result.times, result.powers);
    // Said again only when it changes, so that a failed save stays readable while the file is
    // followed.
    if (result.lines != 0)
        showCounts();
}

void ZSignalLogViewer::showCounts()
{
    form->status->setText(tr("%1 — строк: %2, нечитаемых: %3")
                          .arg(QFileInfo(m_reader->path()).fileName())
                          .arg(m_reader->lines())
                          .arg(m_reader->damaged()));
}
