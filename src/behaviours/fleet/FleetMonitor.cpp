#include "FleetMonitor.h"

#include "core/database/IniSnapshot.h"
#include "core/diagnostics/Icmp.h"
#include "core/shell/DesktopNotifier.h"
#include "core/shell/SettingsStore.h"
#include "views/ElementTree.h"
#include "views/MainWindowUi.h"

#include <QDateTime>
#include <QLabel>
#include <QSpinBox>

#include <cstdlib>

namespace {

NodeMark markOf(FleetState s) {
    switch (s) {
    case FleetState::Answering:
        return NodeMark::Answering;
    case FleetState::NotAnswering:
        return NodeMark::NotAnswering;
    case FleetState::NotChecked:
        return NodeMark::NotChecked;
    }
    return NodeMark::None;
}

} // namespace

FleetMonitor::FleetMonitor(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)), eventLog_(ctx_.lstEvents, ctx_.eventLogPath),
      notices_(QStringLiteral("Fleet check"), ctx_.notifier, ctx_.windowActive) {
    reload_.setSingleShot(true);
    reload_.setInterval(0);
    connect(&reload_, &QTimer::timeout, this, &FleetMonitor::reload);
    status_.setSingleShot(true);
    status_.setInterval(kStatusEveryMs);
    connect(&status_, &QTimer::timeout, this, &FleetMonitor::showStatus);

    // The list is rebuilt by every load; the new nodes get their marks at once, and the
    // elements are read again once the load is through.
    QAbstractItemModel* model = ctx_.TreeView1->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        decorateAll();
        reloadSoon();
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, &FleetMonitor::reloadSoon);
    connect(model, &QAbstractItemModel::modelReset, this, &FleetMonitor::reloadSoon);

    connect(&check_, &FleetCheck::checked, this, [this](int index) {
        decorate(index);
        showStatusSoon();
    });
    connect(&check_, &FleetCheck::stateChanged, this, &FleetMonitor::changed);
    connect(&check_, &FleetCheck::probeErrorChanged, this, &FleetMonitor::probeError);
    connect(ctx_.spnFleetInterval, &QSpinBox::valueChanged, this, &FleetMonitor::intervalChosen);
    showStatus();
}

int FleetMonitor::intervalFromSetting(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0)
        return kDefaultIntervalS;
    if (value == 0)
        return 0;
    return std::clamp(value, FleetInterval::Minimum, FleetInterval::Maximum);
}

QString FleetMonitor::roundTripText(qint64 roundTripUs) {
    const double ms = double(roundTripUs) / 1000.0;
    return ms < 10 ? QString::number(ms, 'f', 1) + QStringLiteral(" ms")
                   : QString::number(qRound64(ms)) + QStringLiteral(" ms");
}

QString FleetMonitor::statusLine(const FleetSchedule::Counts& c, bool running,
                                 const QString& probeError) {
    QString line = c.elements == 1 ? QStringLiteral("1 element")
                                   : QStringLiteral("%1 elements").arg(c.elements);
    if (!running)
        return line + QStringLiteral(": fleet check off");
    line += QStringLiteral(": %1 answering, %2 not answering").arg(c.answering).arg(c.notAnswering);
    if (c.notChecked > 0)
        line += QStringLiteral(", %1 not checked yet").arg(c.notChecked);
    if (!probeError.isEmpty())
        line += QStringLiteral(" (cannot ping: %1)").arg(probeError);
    return line;
}

void FleetMonitor::start() {
    const int seconds =
        intervalFromSetting(ctx_.settings->value(SettingKeys::FleetCheckInterval, QString()));
    {
        const QSignalBlocker quiet(ctx_.spnFleetInterval); // showing the setting is no change of it
        ctx_.spnFleetInterval->setValue(seconds == 0 ? FleetInterval::Off : seconds);
    }
    started_ = true;
    reload();
    check_.setIntervalMs(seconds * 1000);
    decorateAll();
    showStatus();
}

void FleetMonitor::intervalChosen(int value) {
    const int seconds = value <= FleetInterval::Off ? 0 : value;
    ctx_.settings->setValue(SettingKeys::FleetCheckInterval, QString::number(seconds));
    if (!started_)
        return;
    check_.setIntervalMs(seconds * 1000);
    decorateAll();
    showStatus();
}

void FleetMonitor::reloadSoon() {
    reload_.start();
}

void FleetMonitor::reload() {
    nodes_.clear();
    for (int i = 0; i < ctx_.TreeView1->topLevelItemCount(); ++i) {
        const QModelIndex index = ctx_.TreeView1->model()->index(i, 0);
        nodes_.insert(index.data(ElementTree::KeyRole).toString(), QPersistentModelIndex(index));
    }
    check_.setElements(FleetElements::read(IniSnapshot::load(ctx_.iniPath)));
    decorateAll();
    showStatus();
}

void FleetMonitor::decorateAll() {
    if (nodes_.size() != ctx_.TreeView1->topLevelItemCount()) {
        nodes_.clear();
        for (int i = 0; i < ctx_.TreeView1->topLevelItemCount(); ++i) {
            const QModelIndex index = ctx_.TreeView1->model()->index(i, 0);
            nodes_.insert(index.data(ElementTree::KeyRole).toString(),
                          QPersistentModelIndex(index));
        }
    }
    const auto& elements = check_.schedule().elements();
    shown_.assign(elements.size(), Shown{});
    for (int i = 0; i < int(elements.size()); ++i)
        decorate(i);
}

void FleetMonitor::decorate(int index) {
    const FleetSchedule& s = check_.schedule();
    if (index < 0 || index >= int(s.elements().size()))
        return;
    const FleetElement& e = s.elements()[size_t(index)];
    const FleetStatus& st = s.status(index);
    const bool running = check_.isRunning();
    const qint64 roundTripUs = running && st.state == FleetState::Answering ? st.roundTripUs : 0;
    if (shown_.size() != s.elements().size())
        shown_.assign(s.elements().size(), Shown{});
    Shown& shown = shown_[size_t(index)];
    // The round trip shown moves when it changes by more than a quarter (and more than the
    // tenth of a millisecond it is shown in): the jitter of every check would repaint the
    // node and tell a screen reader its name again.
    const bool sameRoundTrip =
        std::abs(roundTripUs - shown.roundTripUs) < std::max<qint64>(100, shown.roundTripUs / 4);
    if (shown.valid && shown.running == running && shown.state == st.state &&
        shown.lastStatus == st.lastStatus && sameRoundTrip)
        return;
    const QPersistentModelIndex node = nodes_.value(e.mac);
    if (!node.isValid())
        return;
    shown = Shown{true, running, st.state, st.lastStatus, roundTripUs};
    const QString roundTrip = roundTripText(roundTripUs);
    QAbstractItemModel* model = ctx_.TreeView1->model();
    // Each role only when it changes: every change repaints the node.
    const auto set = [&](int role, const QVariant& value) {
        if (node.data(role) != value)
            model->setData(node, value, role);
    };
    if (!running) {
        set(ElementTree::StateRole, int(NodeMark::None));
        set(Qt::ToolTipRole, QVariant());
        ElementTree::speak(model, node, ElementTree::FleetSpokenRole, QString());
        return;
    }
    QString tip;
    QString spoken;
    switch (st.state) {
    case FleetState::Answering:
        tip = QStringLiteral("Answering: round trip %1").arg(roundTrip);
        spoken = QStringLiteral("answering, round trip %1").arg(roundTrip);
        break;
    case FleetState::NotAnswering:
        tip = QStringLiteral("Not answering since %1 (%2)")
                  .arg(downSince_.value(e.mac).toString(QStringLiteral("HH:mm:ss")),
                       Icmp::GetIcmpStatusText(st.lastStatus));
        spoken = QStringLiteral("not answering");
        break;
    case FleetState::NotChecked:
        tip = e.address() == 0 ? QStringLiteral("Not checked: no address to ping")
                               : QStringLiteral("Not checked yet");
        spoken = e.address() == 0 ? QStringLiteral("not checked, no address")
                                  : QStringLiteral("not checked yet");
        break;
    }
    set(ElementTree::StateRole, int(markOf(st.state)));
    set(Qt::ToolTipRole, tip);
    ElementTree::speak(model, node, ElementTree::FleetSpokenRole, spoken);
}

void FleetMonitor::showStatus() {
    status_.stop();
    const QString line =
        statusLine(check_.schedule().counts(), check_.isRunning(), check_.probeError());
    if (ctx_.lblFleetStatus->text() == line)
        return;
    ctx_.lblFleetStatus->setText(line);
    ctx_.lblFleetStatus->setAccessibleName(line);
    Q_EMIT statusShown(line);
}

void FleetMonitor::showStatusSoon() {
    if (!status_.isActive())
        status_.start();
}

void FleetMonitor::changed(const FleetChange& change) {
    const QDateTime now = QDateTime::currentDateTime();
    if (change.to == FleetState::NotAnswering)
        downSince_.insert(check_.schedule().elements()[size_t(change.index)].mac, now);
    decorate(change.index);
    showStatusSoon();
    const FleetElement& e = check_.schedule().elements()[size_t(change.index)];
    const FleetStatus& st = check_.schedule().status(change.index);
    QString what;
    if (change.to == FleetState::Answering && change.from == FleetState::NotAnswering)
        what = QStringLiteral("answering again (round trip %1)").arg(roundTripText(st.roundTripUs));
    else if (change.to == FleetState::NotAnswering && change.from == FleetState::Answering)
        what = QStringLiteral("stopped answering (%1)").arg(Icmp::GetIcmpStatusText(st.lastStatus));
    else if (change.to == FleetState::NotAnswering)
        what = QStringLiteral("not answering (%1)").arg(Icmp::GetIcmpStatusText(st.lastStatus));
    else
        return; // an element answering its first check is no news
    eventLog_.add(now, e.listText(), what);
    notices_.add(e.listText() + u' ' + what);
}

void FleetMonitor::probeError(const QString& error) {
    showStatus();
    eventLog_.add(QDateTime::currentDateTime(), QStringLiteral("Fleet check"),
                  error.isEmpty() ? QStringLiteral("pings can be sent again")
                                  : QStringLiteral("cannot ping: ") + error);
}
