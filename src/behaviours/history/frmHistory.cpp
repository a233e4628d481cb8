#include "frmHistory.h"

#include "ConfigurationHistory.h"
#include "HistoryPanelLoad.h"
#include "core/database/IniSnapshot.h"
#include "core/database/MacSection.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>

namespace {

using namespace HistoryColumns;

QString timeText(const QDateTime& t) {
    return t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString changedText(const HistoryVersion& v, bool oldest) {
    if (oldest && v.changed.size() == v.keys.size())
        return QStringLiteral("first version");
    return v.changed.isEmpty() ? QStringLiteral("-")
                               : v.changed.join(QStringLiteral(", ")).toLower();
}

void setRowBold(QTreeWidgetItem* row, bool bold) {
    for (int c = 0; c < row->columnCount(); ++c) {
        QFont f = row->font(c);
        f.setBold(bold);
        row->setFont(c, f);
    }
}

void readAsOne(QTreeWidgetItem* row) {
    QStringList parts;
    for (int c = 0; c < row->columnCount(); ++c)
        if (!row->text(c).isEmpty())
            parts.append(row->text(c));
    row->setData(0, Qt::AccessibleTextRole, parts.join(QStringLiteral(", ")));
}

} // namespace

frmHistory::frmHistory(Context context, QWidget* parent) : QDialog(parent), ctx_(context) {
    ui_.build(this);
    setModal(false);
    refresh_.setSingleShot(true);
    refresh_.setInterval(200);
    connect(&refresh_, &QTimer::timeout, this, [this] {
        if (isVisible())
            showFor(mac_);
    });
    connect(ctx_.history, &ConfigurationHistory::versionsAdded, this, [this] { refresh_.start(); });
    connect(ui_.lstElements, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && item->text(ElementMac) != mac_)
            chooseElement(item->text(ElementMac));
    });
    connect(ui_.lstVersions, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr)
            chooseVersion(ui_.lstVersions->indexOfTopLevelItem(item));
    });
    connect(ui_.cmbCompare, &QComboBox::currentIndexChanged, this, &frmHistory::compareWith);
    connect(ui_.cmdLoadIntoPanel, &QPushButton::clicked, this, &frmHistory::loadIntoPanel);
    connect(ui_.cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

void frmHistory::showFor(const QString& mac) {
    mac_ = mac;
    reloadElements();
}

void frmHistory::reloadElements() {
    HistoryStore* store = ctx_.history->store();
    const QList<HistoryElement> elements =
        store != nullptr ? store->elements() : QList<HistoryElement>{};
    if (store == nullptr || (elements.isEmpty() && !store->errorString().isEmpty()))
        ui_.lblStatus->setText(store == nullptr
                                   ? QStringLiteral("There is no configuration history.")
                                   : store->errorString());
    QSet<QString> inDatabase;
    for (const QString& s : IniSnapshot::load(ctx_.history->iniPath()).sectionNames())
        inDatabase.insert(s.toUpper());

    const QSignalBlocker quiet(ui_.lstElements);
    ui_.lstElements->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(elements.size());
    QTreeWidgetItem* chosen = nullptr;
    for (const HistoryElement& e : elements) {
        const bool present = inDatabase.contains(MacSection::Encode_MAC(e.mac));
        auto* row = new QTreeWidgetItem(
            {e.newest.value(QStringLiteral("NAME")).trimmed(), e.mac,
             QString::number(e.versionCount),
             present ? QStringLiteral("yes") : QStringLiteral("no: kept in the history only")});
        if (!present)
            for (int c = 0; c < row->columnCount(); ++c) {
                QFont f = row->font(c);
                f.setItalic(true);
                row->setFont(c, f);
            }
        readAsOne(row);
        rows.append(row);
        if (e.mac == mac_)
            chosen = row;
    }
    ui_.lstElements->addTopLevelItems(rows);
    if (chosen == nullptr && !rows.isEmpty())
        chosen = rows.first();
    ui_.lstElements->setCurrentItem(chosen);
    mac_ = chosen != nullptr ? chosen->text(ElementMac) : QString();
    showVersions();
}

void frmHistory::chooseElement(const QString& mac) {
    mac_ = mac;
    for (int i = 0; i < ui_.lstElements->topLevelItemCount(); ++i)
        if (ui_.lstElements->topLevelItem(i)->text(ElementMac) == mac) {
            const QSignalBlocker quiet(ui_.lstElements);
            ui_.lstElements->setCurrentItem(ui_.lstElements->topLevelItem(i));
        }
    showVersions();
}

void frmHistory::showVersions() {
    HistoryStore* store = ctx_.history->store();
    versions_ =
        store != nullptr && !mac_.isEmpty() ? store->versions(mac_) : QList<HistoryVersion>{};
    const QSignalBlocker quietList(ui_.lstVersions);
    const QSignalBlocker quietCombo(ui_.cmbCompare);
    ui_.lstVersions->clear();
    ui_.cmbCompare->clear();
    ui_.cmbCompare->addItem(NowInDatabase);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(versions_.size());
    for (qsizetype i = 0; i < versions_.size(); ++i) {
        const HistoryVersion& v = versions_[i];
        auto* row = new QTreeWidgetItem({timeText(v.time), v.source, v.operatorName,
                                         changedText(v, i == versions_.size() - 1)});
        readAsOne(row);
        rows.append(row);
        ui_.cmbCompare->addItem(timeText(v.time) + QStringLiteral(", ") + v.source);
    }
    ui_.lstVersions->addTopLevelItems(rows);
    ui_.cmdLoadIntoPanel->setEnabled(!versions_.isEmpty());
    if (!rows.isEmpty())
        ui_.lstVersions->setCurrentItem(rows.first());
    // The newest version against nms.ini, or, when it is no longer there, the one before.
    chooseVersion(rows.isEmpty() ? -1 : 0);
}

const HistoryVersion* frmHistory::chosenVersion() const {
    const int i = ui_.lstVersions->indexOfTopLevelItem(ui_.lstVersions->currentItem());
    return i >= 0 && i < versions_.size() ? &versions_[i] : nullptr;
}

void frmHistory::chooseVersion(int index) {
    if (index >= 0 && index < ui_.lstVersions->topLevelItemCount()) {
        const QSignalBlocker quiet(ui_.lstVersions);
        ui_.lstVersions->setCurrentItem(ui_.lstVersions->topLevelItem(index));
    }
    compareWith(ui_.cmbCompare->currentIndex() < 0 ? 0 : ui_.cmbCompare->currentIndex());
}

void frmHistory::compareWith(int comboIndex) {
    if (ui_.cmbCompare->currentIndex() != comboIndex) {
        const QSignalBlocker quiet(ui_.cmbCompare);
        ui_.cmbCompare->setCurrentIndex(comboIndex);
    }
    ui_.lstCompare->clear();
    const HistoryVersion* v = chosenVersion();
    if (v == nullptr)
        return;
    HistoryKeys other;
    bool otherExists = true;
    if (comboIndex <= 0) {
        const QString section = MacSection::Encode_MAC(mac_);
        const IniSnapshot db = IniSnapshot::load(ctx_.history->iniPath());
        other = db.entries(section);
        otherExists = db.keyCount(section) > 0;
    } else if (comboIndex - 1 < versions_.size()) {
        other = versions_[comboIndex - 1].keys;
    }
    QStringList order;
    for (const auto& [k, value] : v->keys)
        order.append(k);
    for (const auto& [k, value] : other)
        if (!order.contains(k))
            order.append(k);
    auto find = [](const HistoryKeys& keys, const QString& k) -> std::optional<QString> {
        for (const auto& [key, value] : keys)
            if (key == k)
                return value;
        return std::nullopt;
    };
    const QString absent =
        otherExists ? QStringLiteral("(absent)") : QStringLiteral("(not in nms.ini)");
    QList<QTreeWidgetItem*> rows;
    for (const QString& k : order) {
        const auto mine = find(v->keys, k);
        const auto theirs = find(other, k);
        const bool differs = mine != theirs;
        auto* row = new QTreeWidgetItem({k.toLower(), mine.value_or(QStringLiteral("(absent)")),
                                         theirs.value_or(absent),
                                         differs ? QStringLiteral("changed") : QString()});
        if (differs) {
            setRowBold(row, true);
            for (int c = 0; c < row->columnCount(); ++c)
                row->setBackground(c, QColor(255, 236, 160));
        }
        readAsOne(row);
        rows.append(row);
    }
    ui_.lstCompare->addTopLevelItems(rows);
}

void frmHistory::loadIntoPanel() {
    const HistoryVersion* v = chosenVersion();
    if (v == nullptr || ctx_.loader == nullptr)
        return;
    ui_.lblStatus->setText(ctx_.loader->load(*v));
}
