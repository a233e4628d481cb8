#include "MainWindowUi.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>

namespace {
QLabel* labelFor(const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setBuddy(buddy);
    // Screen readers name the control by the caption beside it.
    QString name = caption;
    name.remove(u'&');
    if (name.endsWith(u':'))
        name.chop(1);
    buddy->setAccessibleName(name);
    return l;
}
} // namespace

void MainWindowUi::build(QMainWindow* window) {
    window->setObjectName(QStringLiteral("frmMain"));

    Toolbar1 = new QToolBar(QStringLiteral("Toolbar1"), window);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    window->addToolBar(Qt::TopToolBarArea, Toolbar1);

    struct ButtonSpec {
        const char* tip;
        QStyle::StandardPixmap icon;
    };
    const std::array<ButtonSpec, 8> specs{{
        {nullptr, QStyle::SP_CustomBase},
        {"Auto discover elements", QStyle::SP_DriveNetIcon},
        {"Refresh list", QStyle::SP_BrowserReload},
        {nullptr, QStyle::SP_CustomBase},
        {"Save changes", QStyle::SP_DialogSaveButton},
        {nullptr, QStyle::SP_CustomBase},
        {"Start audio monitoring", QStyle::SP_MediaPlay},
        {"Stop audio monitoring", QStyle::SP_MediaStop},
    }};
    for (int i = 1; i <= 7; ++i) {
        if (specs[i].tip == nullptr) {
            toolbarButton[i] = Toolbar1->addSeparator();
            continue;
        }
        const QString tip = QString::fromLatin1(specs[i].tip);
        QAction* a = Toolbar1->addAction(window->style()->standardIcon(specs[i].icon), tip);
        a->setToolTip(tip);
        a->setObjectName(QStringLiteral("Toolbar1_%1").arg(i));
        toolbarButton[i] = a;
    }

    auto* central = new QWidget(window);
    auto* columns = new QHBoxLayout(central);

    frmTreeView = new QGroupBox(QStringLiteral("Elements"), central);
    frmTreeView->setObjectName(QStringLiteral("frmTreeView"));
    auto* treeLayout = new QHBoxLayout(frmTreeView);
    TreeView1 = new QTreeWidget(frmTreeView);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setRootIsDecorated(false);
    TreeView1->setAccessibleName(QStringLiteral("Elements"));
    treeLayout->addWidget(TreeView1);
    columns->addWidget(frmTreeView, 2);

    frmProperties = new QGroupBox(QStringLiteral("Element properties:"), central);
    frmProperties->setObjectName(QStringLiteral("frmProperties"));
    propertiesGrid = new QGridLayout(frmProperties);

    cmbNMSIPAddr = new QComboBox(frmProperties);
    cmbNMSIPAddr->setObjectName(QStringLiteral("cmbNMSIPAddr"));
    lblNMSIPAddr = labelFor(QStringLiteral("NMS interface:"), cmbNMSIPAddr, frmProperties);
    propertiesGrid->addWidget(lblNMSIPAddr, 0, 0);
    propertiesGrid->addWidget(cmbNMSIPAddr, 0, 1);

    scrlBuffer = new QScrollBar(Qt::Horizontal, frmProperties);
    scrlBuffer->setObjectName(QStringLiteral("scrlBuffer"));
    scrlBuffer->setMinimum(0);
    scrlBuffer->setEnabled(false);
    lblBufferSize = labelFor(QStringLiteral("Buffer size:"), scrlBuffer, frmProperties);
    propertiesGrid->addWidget(lblBufferSize, 1, 0);
    propertiesGrid->addWidget(scrlBuffer, 1, 1);
    propertiesGrid->setRowStretch(2, 1);

    columns->addWidget(frmProperties, 3);
    window->setCentralWidget(central);
}
