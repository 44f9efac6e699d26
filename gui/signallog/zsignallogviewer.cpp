#include "zsignallogviewer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>

#include "zchartexport.h"
#include "zsignallogchart.h"
#include "zstartup.h"
#include "zwindowplace.h"

namespace {

const QString PlaceGroup = QStringLiteral("SignalLogViewer");
const QString SplitterKey = QStringLiteral("SignalLogViewer/Splitter");
const QString DayFormat = QStringLiteral("yyyy-MM-dd");
constexpr int PathRole = Qt::UserRole;
// Today's file appears when the program writes its first line of the day.
constexpr int RefreshMs = 3000;
constexpr int FollowMs = 1000;
constexpr int ProgressMs = 100;

} // namespace

// The window fills in what to read before the thread starts and takes the result once the
// thread has ended and set `done`, the last thing it does. That atomic is the hand-over a
// thread checker can see; the locks of Qt's event queue are hidden from it.
struct ZSignalLogViewer::Read
{
    QString path;
    qint64 offset = 0;
    QByteArray head;
    QThread *thread = nullptr;
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    std::atomic<bool> done{false};
    ZSignalLogFile::Result result;
};

ZSignalLogViewer::ZSignalLogViewer(const QString &logFolder, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_folder(logFolder)
{
    setWindowTitle(tr("Журнал сигнала"));

    m_days = new QListWidget;
    m_days->setObjectName(QStringLiteral("days"));
    m_days->setAccessibleName(tr("Дни журнала"));
    m_days->setSelectionMode(QAbstractItemView::SingleSelection);
    m_chart = new ZSignalLogChart;
    m_chart->setObjectName(QStringLiteral("chart"));
    m_statistics = new QLabel(m_chart->statisticsText());
    m_statistics->setObjectName(QStringLiteral("statistics"));
    m_statistics->setAccessibleName(tr("Статистика участка на виду"));
    m_statistics->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(tr("Чтение файла журнала"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setMaximumWidth(160);
    m_progress->hide();
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setAccessibleName(tr("Состояние"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long folder name or reason must not widen the window.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_follow = new QCheckBox(tr("Следить за файлом"));
    m_follow->setObjectName(QStringLiteral("follow"));
    m_follow->setAccessibleName(m_follow->text());
    m_follow->setChecked(true);
    m_save = new QPushButton(tr("Сохранить данные…"));
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setAccessibleName(tr("Сохранить данные участка на виду"));

    auto *right = new QWidget;
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_chart, 1);
    rightLayout->addWidget(m_statistics);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_follow);
    bottom->addWidget(m_save);
    rightLayout->addLayout(bottom);
    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->addWidget(m_days);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setSizes({180, 820});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_splitter);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(RefreshMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &ZSignalLogViewer::refreshDays);
    m_followTimer = new QTimer(this);
    m_followTimer->setInterval(FollowMs);
    connect(m_followTimer, &QTimer::timeout, this, &ZSignalLogViewer::poll);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(ProgressMs);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (m_read)
            m_progress->setValue(m_read->permille.load(std::memory_order_relaxed));
    });

    connect(m_days, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *current) {
        if (current)
            load(current->data(PathRole).toString());
    });
    connect(m_chart, &ZSignalLogChart::statisticsChanged, this,
            [this] { m_statistics->setText(m_chart->statisticsText()); });
    connect(m_follow, &QCheckBox::toggled, this, [this](bool on) {
        if (on && isVisible()) {
            m_followTimer->start();
            poll();
        } else {
            m_followTimer->stop();
        }
    });
    connect(m_save, &QPushButton::clicked, m_chart->exporter(), &ZChartExport::askAndSaveData);
    connect(m_chart->exporter(), &ZChartExport::failed, m_status, &QLabel::setText);

    if (!ZWindowPlace::restore(this, PlaceGroup))
        resize(1000, 600);
    if (!ZStartup::settingsFilePath().isEmpty()) {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        m_splitter->restoreState(settings->value(SplitterKey).toByteArray());
    }
}

ZSignalLogViewer::~ZSignalLogViewer()
{
    // A read under way stops at its next chunk; its thread is waited for, so that nothing it
    // uses is freed under it.
    for (const std::shared_ptr<Read> &read : m_running) {
        read->cancel.store(true);
        read->thread->wait();
        // Orders what the thread wrote before what is freed here.
        read->done.load(std::memory_order_acquire);
    }
    if (isVisible())
        savePlace();
}

void ZSignalLogViewer::showDay(const QDate &day)
{
    refreshDays();
    const QString name = day.toString(DayFormat);
    const QList<QListWidgetItem *> found = m_days->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) {
        m_days->setCurrentItem(nullptr);
        m_days->clearSelection();
        load(QDir(m_folder).filePath(name));
    } else if (m_days->currentItem() != found.first()) {
        m_days->setCurrentItem(found.first());
    } else if (!m_loaded && !m_read) {
        load(found.first()->data(PathRole).toString());
    }
}

void ZSignalLogViewer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshDays();
    m_refreshTimer->start();
    if (m_follow->isChecked())
        m_followTimer->start();
    // A read dropped when the window was closed.
    if (!m_path.isEmpty() && !m_loaded && !m_read)
        load(m_path);
}

void ZSignalLogViewer::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Not when the window is only minimised.
    if (event->spontaneous())
        return;
    m_refreshTimer->stop();
    m_followTimer->stop();
    dropRead();
    m_progress->hide();
}

void ZSignalLogViewer::closeEvent(QCloseEvent *event)
{
    savePlace();
    QWidget::closeEvent(event);
}

void ZSignalLogViewer::savePlace() const
{
    ZWindowPlace::save(this, PlaceGroup);
    if (ZStartup::settingsFilePath().isEmpty())
        return;
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    settings->setValue(SplitterKey, m_splitter->saveState());
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
    for (int i = 0; i < m_days->count(); ++i)
        listed.append(m_days->item(i)->text());
    if (names != listed) {
        const QString chosen = m_days->currentItem() ? m_days->currentItem()->text() : QString();
        const QSignalBlocker blocker(m_days);
        m_days->clear();
        for (const QFileInfo &info : qAsConst(files)) {
            auto *item = new QListWidgetItem(info.fileName(), m_days);
            item->setData(PathRole, info.absoluteFilePath());
            if (item->text() == chosen)
                m_days->setCurrentItem(item);
        }
    }
    const QLocale locale;
    for (int i = 0; i < files.size(); ++i) {
        const QFileInfo &info = files.at(i);
        const QString day = locale.toString(ZSignalLogFile::dayOf(info.fileName()), QLocale::LongFormat);
        m_days->item(i)->setToolTip(tr("%1, %2").arg(day, locale.formattedDataSize(info.size())));
    }

    if (!m_path.isEmpty())
        return;
    if (files.isEmpty()) {
        // No folder at all when the operator declined to create one at start.
        const QString folder = QDir::toNativeSeparators(m_folder);
        m_status->setText(m_folder.isEmpty() ? tr("Журнал сигнала не ведётся")
                          : dir.exists()     ? tr("В папке %1 нет файлов журнала").arg(folder)
                                             : tr("Папки журнала %1 нет").arg(folder));
    } else {
        m_days->setCurrentRow(0);
    }
}

void ZSignalLogViewer::load(const QString &path)
{
    m_path = path;
    m_loaded = false;
    m_end = 0;
    m_head.clear();
    m_lines = 0;
    m_damaged = 0;
    m_chart->setPoints(QSharedPointer<QCPGraphDataContainer>::create());
    m_status->setText(tr("Чтение %1…").arg(QFileInfo(path).fileName()));
    m_progress->setValue(0);
    m_progress->show();
    startRead(0);
    m_progressTimer->start();
}

void ZSignalLogViewer::poll()
{
    if (m_loaded && !m_read && m_follow->isChecked())
        startRead(m_end);
}

void ZSignalLogViewer::dropRead()
{
    if (!m_read)
        return;
    m_read->cancel.store(true);
    m_read.reset();
    m_progressTimer->stop();
}

void ZSignalLogViewer::startRead(qint64 offset)
{
    dropRead();
    auto read = std::make_shared<Read>();
    read->path = m_path;
    read->offset = offset;
    read->head = m_head;
    // Kept by m_running until its thread has ended and been seen to.
    Read *const job = read.get();
    read->thread = QThread::create([job] {
        {
            const ZSignalLogFile::Progress progress = [job](double fraction) {
                job->permille.store(int(fraction * 1000), std::memory_order_relaxed);
            };
            job->result = ZSignalLogFile(job->path).readFrom(job->offset, job->head, &job->cancel, progress);
        }
        job->done.store(true, std::memory_order_release);
    });
    read->thread->setObjectName(QStringLiteral("signal log reader"));
    read->thread->setParent(this);
    connect(read->thread, &QThread::finished, this, [this, read] { readFinished(read); });
    m_running.push_back(read);
    m_read = read;
    read->thread->start();
}

void ZSignalLogViewer::readFinished(const std::shared_ptr<Read> &read)
{
    read->thread->deleteLater();
    m_running.erase(std::remove(m_running.begin(), m_running.end(), read), m_running.end());
    if (!read->done.load(std::memory_order_acquire) || read != m_read)
        return;
    m_read.reset();
    m_progressTimer->stop();
    const ZSignalLogFile::Result &result = read->result;
    const bool firstRead = !m_loaded;
    if (!m_loaded) {
        m_progress->hide();
        if (!result.error.isEmpty() || result.replaced) {
            m_status->setText(tr("Не удалось прочитать %1: %2").arg(QFileInfo(m_path).fileName(), result.error));
            return;
        }
        m_loaded = true;
        m_chart->setPoints(result.points);
    } else if (!result.error.isEmpty() || result.replaced) {
        // Gone, cut short or put in place of the one read: read whatever is there now.
        load(m_path);
        return;
    } else if (!result.points->isEmpty()) {
        m_chart->appendPoints(*result.points);
    }
    m_end = result.end;
    m_head = result.head;
    m_lines += result.lines;
    m_damaged += result.damaged;
    // Said again only when it changes, so that a failed save stays readable while the file is
    // followed.
    if (firstRead || result.lines != 0) {
        m_status->setText(tr("%1 — строк: %2, нечитаемых: %3")
                              .arg(QFileInfo(m_path).fileName()).arg(m_lines).arg(m_damaged));
    }
}
