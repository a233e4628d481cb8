#include "MainWindowUi.h"

#include "ElementIcons.h"
#include "ElementTree.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

void setButtonBackground(QPushButton* button, const QColor& colour) {
    QPalette pal = button->palette();
    pal.setColor(QPalette::Button, colour);
    button->setPalette(pal);
    button->setAutoFillBackground(true);
    // Not every style paints a button from its palette; the style sheet makes the colour
    // show everywhere while the palette keeps it readable by the program.
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: black; "
                                         "border: 1px solid gray; padding: 3px 8px; }")
                              .arg(colour.name()));
}

QColor buttonBackground(const QPushButton* button) {
    return button->palette().color(QPalette::Button);
}

void keepWidthForCaptions(QPushButton* button, const QStringList& captions) {
    const QString shown = button->text();
    int widest = button->sizeHint().width();
    for (const QString& c : captions) {
        button->setText(c);
        widest = std::max(widest, button->sizeHint().width());
    }
    button->setText(shown);
    button->setFixedWidth(widest);
}

void MainWindowUi::buildToolbar(QMainWindow* window) {
    // Its title names it in the View menu and the window's context menu.
    Toolbar1 = new QToolBar(QStringLiteral("Toolbar"), window);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Toolbar1->setAccessibleName(QStringLiteral("Toolbar"));
    window->addToolBar(Qt::TopToolBarArea, Toolbar1);

    struct ButtonSpec {
        const char* tip;
        const char* icon; // images/<icon>.svg
        QKeySequence key;
    };
    // The keys Qt and KDE programs use: F5 reloads what is shown, Ctrl+S saves.  A
    // discovery reloads from the network instead, as Ctrl+F5 reloads a page from its
    // source in a browser; the meter starts and stops with M, Shift undoing as in
    // Ctrl+Z / Ctrl+Shift+Z (the menu bar is always shown, so Ctrl+M, which toggles it in
    // KDE programs, is free).
    const std::array<ButtonSpec, 8> specs{{
        {nullptr, nullptr, {}},
        {"Auto discover elements", "discover", QKeySequence(Qt::CTRL | Qt::Key_F5)},
        {"Refresh list", "refresh", QKeySequence(Qt::Key_F5)},
        {nullptr, nullptr, {}},
        {"Save changes", "save", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {nullptr, nullptr, {}},
        {"Start audio monitoring", "start-monitoring", QKeySequence(Qt::CTRL | Qt::Key_M)},
        {"Stop audio monitoring", "stop-monitoring",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M)},
    }};
    for (int i = 1; i <= 7; ++i) {
        if (specs[i].tip == nullptr) {
            toolbarButton[i] = Toolbar1->addSeparator();
            continue;
        }
        const QString tip = QString::fromLatin1(specs[i].tip);
        QAction* a =
            Toolbar1->addAction(ElementIcons::toolbar(QString::fromLatin1(specs[i].icon)), tip);
        a->setShortcut(specs[i].key);
        a->setToolTip(tip + QStringLiteral(" (") + specs[i].key.toString(QKeySequence::NativeText) +
                      u')');
        a->setObjectName(QStringLiteral("Toolbar1_%1").arg(i));
        toolbarButton[i] = a;
    }
}

void MainWindowUi::build(QMainWindow* window) {
    window->setObjectName(QStringLiteral("frmMain"));
    buildToolbar(window);

    ImageList1[ElementImages::Encoder] = ElementIcons::encoder();
    ImageList1[ElementImages::OtherElement] = ElementIcons::otherElement();

    auto* central = new QWidget(window);
    auto* columns = new QHBoxLayout(central);

    // Created in the order the operator tabs through them: the tree, the panel's left
    // column, its right column, then the diagnostics.
    frmTreeView = new QGroupBox(QStringLiteral("Elements"), central);
    frmTreeView->setObjectName(QStringLiteral("frmTreeView"));
    auto* treeLayout = new QVBoxLayout(frmTreeView);
    txtFilter = new QLineEdit(frmTreeView);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Filter: name, MAC or address"));
    txtFilter->setAccessibleName(QStringLiteral("Filter elements"));
    txtFilter->setClearButtonEnabled(true);
    treeLayout->addWidget(txtFilter);
    TreeView1 = new ElementTree(frmTreeView);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setRootIsDecorated(false);
    TreeView1->setUniformRowHeights(true);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setAccessibleName(QStringLiteral("Elements"));
    TreeView1->setMinimumWidth(TreeView1->fontMetrics().horizontalAdvance(
                                   QStringLiteral("WWWWWWWWWWWWWWWW [00:00:00:00:00:00]")) /
                                   2 +
                               40);
    treeLayout->addWidget(TreeView1);
    columns->addWidget(frmTreeView, 2);

    auto* right = new QVBoxLayout;
    right->addWidget(buildProperties(central));
    right->addWidget(buildDiagnostics(central));
    right->addStretch(1);
    columns->addLayout(right, 3);

    window->setCentralWidget(central);
    buildFleet(window);
    buildAudioWatch(window);
}
