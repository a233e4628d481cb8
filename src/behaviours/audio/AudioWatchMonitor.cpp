#include "AudioWatchMonitor.h"

#include "behaviours/fleet/FleetEventLog.h"
#include "core/audio/AudioWatchSettings.h"
#include "core/database/IniSnapshot.h"
#include "core/diagnostics/LevelReport.h"
#include "core/fleet/FleetElement.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/ManagementEndpoint.h"
#include "core/shell/DesktopNotifier.h"
#include "core/shell/SettingsStore.h"
#include "views/AudioWatchRow.h"
#include "views/ElementTree.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QStyle>
#include <QTreeWidget>

#include <cmath>

namespace {

constexpr int kStripMs = AudioWatch::kHistoryMs / AudioWatchRow::kStripPixels;
constexpr double kStripFloorDbfs = -60.0;

// The gravest first when sorted by state.
int gravity(AudioState s, bool watched) {
    if (!watched)
        return 0;
    switch (s) {
    case AudioState::Silent:
        return 5;
    case AudioState::NoReports:
        return 4;
    case AudioState::Overload:
        return 3;
    case AudioState::Listening:
        return 2;
    case AudioState::Audio:
        return 1;
    }
    return 0;
}

QString clockText(const QDateTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

AudioWatchMonitor::AudioWatchMonitor(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)), watch_([this](quint32 address) {
          return ctx_.endpoint->isOpen() &&
                 ctx_.endpoint->sendTo(LevelReport::Request, address, Ports::ElementShort);
      }),
      notices_(QStringLiteral("Audio watch"), ctx_.notifier, ctx_.windowActive) {
    reload_.setSingleShot(true);
    reload_.setInterval(0);
    connect(&reload_, &QTimer::timeout, this, &AudioWatchMonitor::reload);
    strips_.setInterval(kStripMs * 2);
    connect(&strips_, &QTimer::timeout, this, &AudioWatchMonitor::refreshStrips);

    QAbstractItemModel* model = ctx_.TreeView1->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &AudioWatchMonitor::reloadSoon);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &AudioWatchMonitor::reloadSoon);
    connect(model, &QAbstractItemModel::modelReset, this, &AudioWatchMonitor::reloadSoon);

    connect(ctx_.endpoint, &ManagementEndpoint::levelReportArrived, &watch_,
            &AudioWatch::reportArrived);
    connect(&watch_, &AudioWatch::levelReported, this, &AudioWatchMonitor::showLevel);
    connect(&watch_, &AudioWatch::stateChanged, this, &AudioWatchMonitor::changed);
    connect(ctx_.lstAudioWatch, &QTreeWidget::itemChanged, this, &AudioWatchMonitor::rowChanged);
    connect(ctx_.chkWatchAll, &QCheckBox::clicked, this, &AudioWatchMonitor::watchAllClicked);
    showSummary();
}

void AudioWatchMonitor::start() {
    watch_.setLimits(AudioWatchSettings::limits(*ctx_.settings));
    started_ = true;
    reload();
    strips_.start();
}

QTreeWidgetItem* AudioWatchMonitor::row(const QString& mac) const {
    return rows_.value(mac);
}

void AudioWatchMonitor::reloadSoon() {
    if (started_)
        reload_.start();
}

void AudioWatchMonitor::reload() {
    nodes_.clear();
    for (int i = 0; i < ctx_.TreeView1->topLevelItemCount(); ++i) {
        const QModelIndex index = ctx_.TreeView1->model()->index(i, 0);
        nodes_.insert(index.data(ElementTree::KeyRole).toString(), QPersistentModelIndex(index));
    }
    const QSet<QString> watched = AudioWatchSettings::watched(*ctx_.settings);
    std::vector<AudioWatchElement> encoders;
    for (const FleetElement& e : FleetElements::read(IniSnapshot::load(ctx_.iniPath))) {
        if (e.role != QLatin1String("encoder") || !nodes_.contains(e.mac))
            continue;
        encoders.push_back({e.mac, e.name, e.address(), watched.contains(e.mac)});
    }
    watch_.setElements(std::move(encoders));

    updating_ = true;
    QTreeWidget* list = ctx_.lstAudioWatch;
    list->setSortingEnabled(false);
    list->clear();
    rows_.clear();
    for (const AudioWatchElement& e : watch_.elements()) {
        if (rows_.contains(e.mac))
            continue;
        auto* r = new AudioWatchRow;
        r->setFlags(r->flags() | Qt::ItemIsUserCheckable);
        r->setText(AudioWatchRow::Element, e.name);
        r->setData(AudioWatchRow::Element, AudioWatchRow::KeyRole, e.mac);
        r->setToolTip(AudioWatchRow::Element, e.mac);
        r->setCheckState(AudioWatchRow::Element, e.watched ? Qt::Checked : Qt::Unchecked);
        list->addTopLevelItem(r);
        rows_.insert(e.mac, r);
    }
    list->setSortingEnabled(true);
    // The names' column as wide as the widest name beside its check box, from the font
    // alone: the rows out of view count too, and nothing is laid out for it.
    const QFontMetrics fm = list->fontMetrics();
    int widest = fm.horizontalAdvance(list->headerItem()->text(AudioWatchRow::Element));
    for (const AudioWatchElement& e : watch_.elements())
        widest = std::max(widest, fm.horizontalAdvance(e.name));
    list->setColumnWidth(AudioWatchRow::Element,
                         widest + list->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                             fm.horizontalAdvance(QStringLiteral("MMM")));
    updating_ = false;
    for (int i = 0; i < int(watch_.elements().size()); ++i) {
        showLevel(i);
        showState(i);
    }
    showSummary();
}

QByteArray AudioWatchMonitor::strip(const std::deque<AudioWatch::Level>& levels, qint64 nowMs) {
    QByteArray out(AudioWatchRow::kStripPixels, AudioWatchRow::kNoLevel);
    const qint64 from = nowMs - AudioWatch::kHistoryMs;
    for (const AudioWatch::Level& l : levels) {
        const qint64 at = (l.atMs - from) / kStripMs;
        if (at < 0 || at >= AudioWatchRow::kStripPixels)
            continue;
        const double db = AudioLevels::dbfs(l.peak);
        const int height =
            std::isfinite(db)
                ? std::clamp(int(std::lround((db - kStripFloorDbfs) / -kStripFloorDbfs *
                                             AudioWatchRow::kStripHeight)),
                             0, AudioWatchRow::kStripHeight)
                : 0;
        if (out[at] == AudioWatchRow::kNoLevel || height > out[at])
            out[at] = char(height);
    }
    return out;
}

void AudioWatchMonitor::showLevel(int index) {
    const AudioWatchElement& e = watch_.elements()[size_t(index)];
    AudioWatchRow* r = rows_.value(e.mac);
    if (r == nullptr)
        return;
    const QChar point = QLocale().decimalPoint().at(0);
    const bool heard = e.watched && watch_.alarm(index).lastReportMs() >= 0;
    const LevelReport::Display now =
        LevelReport::display(heard ? watch_.alarm(index).lastPeak() : 0, point);
    const LevelReport::Display hold =
        LevelReport::display(heard ? watch_.peakHold(index, kPeakHoldMs) : 0, point);
    updating_ = true;
    r->setData(AudioWatchRow::Bar, AudioWatchRow::BarRole, now.widthTwips);
    r->setData(AudioWatchRow::Bar, AudioWatchRow::PeakHoldRole, hold.widthTwips);
    r->setData(AudioWatchRow::Bar, Qt::AccessibleTextRole,
               heard ? now.text + QStringLiteral(", peak ") + hold.text : QString());
    r->setText(AudioWatchRow::Level, heard ? now.text : QString());
    r->setData(AudioWatchRow::Strip, AudioWatchRow::StripRole,
               e.watched ? strip(watch_.history(index), watch_.nowMs()) : QByteArray());
    updating_ = false;
    Q_EMIT rowUpdated(index);
}

QString AudioWatchMonitor::stateText(int index) const {
    const AudioAlarm& a = watch_.alarm(index);
    const QDateTime since =
        QDateTime::currentDateTime().addMSecs(a.silentSinceMs() - watch_.nowMs());
    return audioStateText(a.state(), clockText(since));
}

void AudioWatchMonitor::showState(int index) {
    const AudioWatchElement& e = watch_.elements()[size_t(index)];
    const AudioState s = watch_.alarm(index).state();
    const QString text = !e.watched       ? QStringLiteral("not watched")
                         : e.address == 0 ? QStringLiteral("no address")
                                          : stateText(index);
    if (AudioWatchRow* r = rows_.value(e.mac)) {
        updating_ = true;
        r->setData(AudioWatchRow::State, AudioWatchRow::SortRole, gravity(s, e.watched));
        r->setText(AudioWatchRow::State, text);
        r->setData(AudioWatchRow::Element, Qt::AccessibleTextRole,
                   e.name + QStringLiteral(", ") + text);
        updating_ = false;
    }
    const QPersistentModelIndex node = nodes_.value(e.mac);
    if (!node.isValid())
        return;
    QAbstractItemModel* model = ctx_.TreeView1->model();
    const AudioMark mark = !e.watched                  ? AudioMark::None
                           : s == AudioState::Silent   ? AudioMark::Silent
                           : s == AudioState::Overload ? AudioMark::Overload
                                                       : AudioMark::None;
    model->setData(node, int(mark), ElementTree::AudioRole);
    const bool spoken = e.watched && e.address != 0 && s != AudioState::Listening;
    ElementTree::speak(model, node, ElementTree::AudioSpokenRole,
                       !spoken                     ? QString()
                       : s == AudioState::Overload ? QStringLiteral("audio overload")
                                                   : text);
}

void AudioWatchMonitor::showSummary() {
    int watched = 0;
    int silent = 0;
    int overload = 0;
    int missing = 0;
    for (int i = 0; i < int(watch_.elements().size()); ++i) {
        if (!watch_.elements()[size_t(i)].watched)
            continue;
        ++watched;
        const AudioState s = watch_.alarm(i).state();
        silent += s == AudioState::Silent ? 1 : 0;
        overload += s == AudioState::Overload ? 1 : 0;
        missing += s == AudioState::NoReports ? 1 : 0;
    }
    const int all = int(rows_.size());
    QString line =
        watched == 0
            ? QStringLiteral("No encoder watched")
            : QStringLiteral("%1 of %2 encoders watched: %3 silent, %4 overload, %5 without "
                             "level reports")
                  .arg(watched)
                  .arg(all)
                  .arg(silent)
                  .arg(overload)
                  .arg(missing);
    ctx_.lblAudioWatch->setText(line);
    const QSignalBlocker quiet(ctx_.chkWatchAll);
    ctx_.chkWatchAll->setEnabled(all > 0);
    ctx_.chkWatchAll->setCheckState(watched == 0     ? Qt::Unchecked
                                    : watched == all ? Qt::Checked
                                                     : Qt::PartiallyChecked);
}

void AudioWatchMonitor::changed(int index, AudioState from, AudioState to) {
    showState(index);
    showSummary();
    const AudioWatchElement& e = watch_.elements()[size_t(index)];
    const AudioAlarm& a = watch_.alarm(index);
    QString what;
    switch (to) {
    case AudioState::Silent:
        what = QStringLiteral("audio ") + stateText(index);
        break;
    case AudioState::Overload:
        what = QStringLiteral("audio overload");
        break;
    case AudioState::NoReports:
        what = QStringLiteral("no level reports");
        break;
    case AudioState::Listening:
        what = QStringLiteral("level reports again");
        break;
    case AudioState::Audio:
        if (!a.judgedBefore())
            return; // the first verdict of a watch that just began is no news
        what = from == AudioState::NoReports  ? QStringLiteral("level reports again, audio")
               : from == AudioState::Overload ? QStringLiteral("audio no longer overloaded")
                                              : QStringLiteral("audio again");
        break;
    }
    const QString element = e.name + QStringLiteral(" [") + e.mac + u']';
    if (ctx_.eventLog != nullptr)
        ctx_.eventLog->add(QDateTime::currentDateTime(), element, what);
    notices_.add(element + u' ' + what);
}

void AudioWatchMonitor::rowChanged(QTreeWidgetItem* item, int column) {
    if (updating_ || column != AudioWatchRow::Element)
        return;
    const int index =
        watch_.indexOf(item->data(AudioWatchRow::Element, AudioWatchRow::KeyRole).toString());
    const bool on = item->checkState(AudioWatchRow::Element) == Qt::Checked;
    if (index < 0 || watch_.elements()[size_t(index)].watched == on)
        return;
    watch_.setWatched(index, on);
    saveWatched();
    showLevel(index);
    showState(index);
    showSummary();
}

void AudioWatchMonitor::watchAllClicked() {
    bool all = true;
    for (const AudioWatchElement& e : watch_.elements())
        all = all && e.watched;
    for (int i = 0; i < int(watch_.elements().size()); ++i) {
        watch_.setWatched(i, !all);
        updating_ = true;
        if (AudioWatchRow* r = rows_.value(watch_.elements()[size_t(i)].mac))
            r->setCheckState(AudioWatchRow::Element, all ? Qt::Unchecked : Qt::Checked);
        updating_ = false;
        showLevel(i);
        showState(i);
    }
    saveWatched();
    showSummary();
}

void AudioWatchMonitor::saveWatched() {
    // The encoders of other lists (another database) stay as they were remembered.
    QSet<QString> macs = AudioWatchSettings::watched(*ctx_.settings);
    for (const AudioWatchElement& e : watch_.elements()) {
        if (e.watched)
            macs.insert(e.mac);
        else
            macs.remove(e.mac);
    }
    AudioWatchSettings::setWatched(*ctx_.settings, macs);
}

void AudioWatchMonitor::refreshStrips() {
    // The strips move on as time passes, also without reports (only where they are seen).
    if (!ctx_.lstAudioWatch->isVisible())
        return;
    for (int i = 0; i < int(watch_.elements().size()); ++i)
        if (watch_.elements()[size_t(i)].watched)
            showLevel(i);
}
