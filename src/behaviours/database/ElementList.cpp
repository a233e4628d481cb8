#include "ElementList.h"

#include "core/common/MessageBoxes.h"
#include "core/database/DatabaseFile.h"
#include "core/database/ElementListing.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniSnapshot.h"
#include "views/ElementTree.h"
#include "views/LevelBar.h"
#include "views/MainWindowUi.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QListWidget>

namespace {
constexpr qint64 kPauseSpacingNs = 1'000'000;
} // namespace

ElementList::ElementList(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)) {
    if (!ctx_.pause) {
        ctx_.pause = [sinceLastRun = QElapsedTimer()]() mutable {
            if (sinceLastRun.isValid() && sinceLastRun.nsecsElapsed() < kPauseSpacingNs)
                return;
            QCoreApplication::processEvents();
            sinceLastRun.start();
        };
    }
}

QString ElementList::treeCaption(int items) {
    return QStringLiteral("Select element: (%1 items)").arg(items);
}

void ElementList::showCaption() {
    ctx_.frmTreeView->setTitle(treeCaption(ctx_.TreeView1->topLevelItemCount()));
}

void ElementList::Load_Config() {
    const quint64 generation = ++generation_;

    ctx_.lstHidden->clear();
    ctx_.TreeView1->clear();
    ctx_.cmbEncoders->clear();
    ctx_.cmbEncoders->addItem(QStringLiteral("<None>"));
    ctx_.VUMeter->setWidthTwips(0);
    showCaption();

    const IniSnapshot snapshot = IniSnapshot::load(ctx_.iniPath);
    if (!snapshot.problem().isEmpty()) {
        // Not "empty": the file is there and every write leaves it alone (DatabaseFile).
        ctx_.messages->error(DatabaseFile::unreadableText(ctx_.iniPath, snapshot.problem()) +
                             QStringLiteral("\rNothing is stored in it until this is mended."));
        showCaption();
        return;
    }
    if (!snapshot.exists()) {
        ctx_.messages->show(
            {QStringLiteral("Local database is empty.\rPlease click 'Auto Discover' "
                            "icon to probe the network."),
             QStringLiteral("Information"), MsgIcon::Information, MsgButtons::Ok});
        showCaption();
        return;
    }
    const QStringList names = snapshot.sectionNames();
    ctx_.lstHidden->addItems(names);
    if (ctx_.lstHidden->count() == 0) {
        ctx_.messages->show({QStringLiteral("Local database is empty.\rPlease click the 'Auto "
                                            "Discover' icon to probe the network."),
                             QStringLiteral("Information"), MsgIcon::Information, MsgButtons::Ok});
        showCaption();
        return;
    }

    ElementListing listing(snapshot);
    QList<QTreeWidgetItem*> nodes;
    QStringList encoders;
    nodes.reserve(names.size());
    for (const QString& section : names) {
        ctx_.pause();
        if (generation != generation_) {
            qDeleteAll(nodes); // a newer load has filled the lists meanwhile
            return;
        }
        const auto entry = listing.entryFor(section);
        if (!entry)
            continue;
        const int image = entry->encoder ? ElementImages::Encoder : ElementImages::OtherElement;
        auto* node = new QTreeWidgetItem;
        node->setText(0, entry->text);
        node->setData(0, ElementTree::KeyRole, entry->key);
        node->setData(0, ElementTree::ImageRole, image);
        node->setData(0, ElementTree::AddressRole,
                      snapshot.value(section, ElementKeys::Ip, QString()));
        node->setIcon(0, (*ctx_.ImageList1)[image]);
        nodes.append(node);
        if (entry->encoder)
            encoders.append(entry->text);
    }
    ctx_.TreeView1->addTopLevelItems(nodes);
    ctx_.cmbEncoders->addItems(encoders);
    showCaption();
}
