#include "HistoryWindowUi.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget* list(QWidget* parent, const char* name, const QString& accessibleName,
                  const QStringList& headers) {
    auto* l = new QTreeWidget(parent);
    l->setObjectName(QLatin1String(name));
    l->setAccessibleName(accessibleName);
    l->setRootIsDecorated(false);
    l->setUniformRowHeights(true);
    l->setAllColumnsShowFocus(true);
    l->setHeaderLabels(headers);
    l->header()->setStretchLastSection(true);
    return l;
}

// A caption above a list, tied to it for the keyboard and a screen reader.
QWidget* captioned(QWidget* parent, const QString& caption, QWidget* field) {
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, box);
    label->setBuddy(field);
    column->addWidget(label);
    field->setParent(box);
    column->addWidget(field, 1);
    return box;
}

} // namespace

void HistoryWindowUi::build(QDialog* window) {
    window->setObjectName(QStringLiteral("frmHistory"));
    window->setWindowTitle(QStringLiteral("History"));
    auto* layout = new QVBoxLayout(window);
    auto* split = new QSplitter(Qt::Horizontal, window);

    lstElements = list(window, "lstElements", QStringLiteral("Elements"),
                       {QStringLiteral("Element"), QStringLiteral("MAC"),
                        QStringLiteral("Versions"), QStringLiteral("In nms.ini")});
    split->addWidget(captioned(split, QStringLiteral("&Elements:"), lstElements));

    auto* right = new QSplitter(Qt::Vertical, split);
    lstVersions = list(window, "lstVersions", QStringLiteral("Versions"),
                       {QStringLiteral("Time (UTC)"), QStringLiteral("Source"),
                        QStringLiteral("Operator"), QStringLiteral("Changed keys")});
    right->addWidget(captioned(right, QStringLiteral("&Versions:"), lstVersions));

    auto* compare = new QWidget(right);
    auto* grid = new QGridLayout(compare);
    grid->setContentsMargins(0, 0, 0, 0);
    cmbCompare = new QComboBox(compare);
    cmbCompare->setObjectName(QStringLiteral("cmbCompare"));
    cmbCompare->setAccessibleName(QStringLiteral("Compare with"));
    auto* caption = new QLabel(QStringLiteral("&Compare with:"), compare);
    caption->setBuddy(cmbCompare);
    grid->addWidget(caption, 0, 0);
    grid->addWidget(cmbCompare, 0, 1);
    grid->setColumnStretch(1, 1);
    lstCompare = list(compare, "lstCompare", QStringLiteral("Comparison"),
                      {QStringLiteral("Key"), QStringLiteral("This version"),
                       QStringLiteral("Compared with"), QStringLiteral("Difference")});
    grid->addWidget(lstCompare, 1, 0, 1, 2);
    right->addWidget(compare);
    split->addWidget(right);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    lblStatus = new QLabel(window);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    layout->addWidget(lblStatus);

    auto* buttons = new QDialogButtonBox(window);
    cmdLoadIntoPanel =
        buttons->addButton(QStringLiteral("&Load into panel"), QDialogButtonBox::ActionRole);
    cmdLoadIntoPanel->setObjectName(QStringLiteral("cmdLoadIntoPanel"));
    cmdClose = buttons->addButton(QDialogButtonBox::Close);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    layout->addWidget(buttons);
    window->resize(960, 560);
}
