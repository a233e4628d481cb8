#include "FleetIntervalMenu.h"

#include "views/MainWindowUi.h"

#include <QActionGroup>
#include <QSpinBox>

FleetIntervalMenu::FleetIntervalMenu(QSpinBox* spnFleetInterval, QWidget* parent)
    : QMenu(QStringLiteral("Fleet check &interval"), parent), spin_(spnFleetInterval),
      choices_(new QActionGroup(this)) {
    setObjectName(QStringLiteral("menuFleetInterval"));
    for (const int seconds : {FleetInterval::Off, 5, 10, 30, 60, 120, 300}) {
        QAction* a = addAction(seconds == FleetInterval::Off ? QStringLiteral("Off")
                                                             : QStringLiteral("%1 s").arg(seconds));
        a->setCheckable(true);
        a->setData(seconds);
        choices_->addAction(a);
        connect(a, &QAction::triggered, spin_, [this, seconds] { spin_->setValue(seconds); });
    }
    connect(spin_, &QSpinBox::valueChanged, this, &FleetIntervalMenu::follow);
    follow(spin_->value());
}

void FleetIntervalMenu::follow(int value) {
    const QList<QAction*> all = choices_->actions();
    for (QAction* a : all) {
        if (a->data().toInt() == value) {
            a->setChecked(true);
            return;
        }
    }
    // An interval typed into the control: no choice is ticked.
    choices_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (QAction* a : all)
        a->setChecked(false);
    choices_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
}
