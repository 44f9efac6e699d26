#include "zsignallogviewer.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

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
      m_folder(logFolder),
      m_reader(new ZSignalLogReader(this))
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
    connect(m_reader, &ZSignalLogReader::progress, this,
            [this](double fraction) { m_progress->setValue(qRound(fraction * 1000)); });
    connect(m_reader, &ZSignalLogReader::loaded, this, &ZSignalLogViewer::showLoaded);
    connect(m_reader, &ZSignalLogReader::appended, this, &ZSignalLogViewer::showAppended);
    connect(m_reader, &ZSignalLogReader::failed, this, [this](const QString &reason) {
        m_progress->hide();
        m_status->setText(tr("Не удалось прочитать %1: %2").arg(QFileInfo(m_reader->path()).fileName(), reason));
    });
    // Gone, cut short or put in place of the one read: read whatever is there now.
    connect(m_reader, &ZSignalLogReader::replaced, this, [this] { load(m_reader->path()); });

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

    if (!ZStartup::settingsFilePath().isEmpty()) {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        m_splitter->restoreState(settings->value(SplitterKey).toByteArray());
    }
    ZWindowPlace::keep(
        this, PlaceGroup,
        [](const QSize &screen) { return QSize(qMin(1000, int(screen.width() * 0.9)), qMin(600, int(screen.height() * 0.8))); },
        [splitter = m_splitter] {
            std::unique_ptr<QSettings>(ZStartup::openSettings())->setValue(SplitterKey, splitter->saveState());
        });
}

void ZSignalLogViewer::showDay(const QDate &day)
{
    refreshDays();
    const QString name = ZSignalLogFile::fileName(day);
    const QList<QListWidgetItem *> found = m_days->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) {
        m_days->setCurrentItem(nullptr);
        m_days->clearSelection();
        load(QDir(m_folder).filePath(name));
    } else if (m_days->currentItem() != found.first()) {
        m_days->setCurrentItem(found.first());
    } else if (!m_reader->isLoaded() && !m_reader->isReading()) {
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
    m_progress->hide();
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

    if (!m_reader->path().isEmpty())
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
    m_chart->setPoints({}, {});
    m_status->setText(tr("Чтение %1…").arg(QFileInfo(path).fileName()));
    m_progress->setValue(0);
    m_progress->show();
    m_reader->load(path);
}

void ZSignalLogViewer::poll()
{
    if (m_follow->isChecked())
        m_reader->readMore();
}

void ZSignalLogViewer::showLoaded(const ZSignalLogFile::Result &result)
{
    m_progress->hide();
    m_chart->setPoints(result.times, result.powers);
    showCounts();
}

void ZSignalLogViewer::showAppended(const ZSignalLogFile::Result &result)
{
    if (!result.times.isEmpty())
        m_chart->appendPoints(result.times, result.powers);
    // Said again only when it changes, so that a failed save stays readable while the file is
    // followed.
    if (result.lines != 0)
        showCounts();
}

void ZSignalLogViewer::showCounts()
{
    m_status->setText(tr("%1 — строк: %2, нечитаемых: %3")
                          .arg(QFileInfo(m_reader->path()).fileName())
                          .arg(m_reader->lines())
                          .arg(m_reader->damaged()));
}
