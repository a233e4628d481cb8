#include "LabWindow.h"

#include "views/ElementTree.h"
#include "views/MainWindowUi.h"

#include "core/database/IniStore.h"

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QTest>

bool LabWindow::start() {
    bed.settings.values.insert(SettingKeys::NmsIpAddress, Lab::nmsIp());
    bed.hostAddresses.setAddresses({"10.77.0.1"});
    Services s = bed.services();
    s.arp = nullptr; // the kernel's neighbour table
    w = std::make_unique<frmMain>(s);
    if (!w->startUp())
        return false;
    bed.messages.clear();
    return true;
}

void LabWindow::discover() {
    if (w->ui().lstHidden->count() != 0)
        bed.messages.answers.enqueue(MsgAnswer::Yes);
    w->ui().toolbarButton[Toolbar::AutoDiscover]->trigger();
}

bool LabWindow::select(int k) {
    ElementTree* tree = w->ui().TreeView1;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = tree->topLevelItem(i);
        if (ElementTree::nodeKey(node) == Lab::elementMac(k)) {
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
            return true;
        }
    }
    return false;
}

void LabWindow::save() {
    bed.messages.answers.enqueue(MsgAnswer::Yes);
    w->ui().toolbarButton[Toolbar::SaveChanges]->trigger();
}

QByteArray LabWindow::file() const {
    QFile f(bed.iniPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString LabWindow::stored(int k, const char* key) const {
    return IniStore::ReadFromINI(sectionOf(k), QString::fromLatin1(key), bed.iniPath(),
                                 QStringLiteral("<absent>"));
}

QString LabWindow::sectionOf(int k) { return Lab::elementMac(k).remove(u':'); }
