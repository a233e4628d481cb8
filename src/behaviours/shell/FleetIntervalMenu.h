#pragma once
// "Fleet check interval" in the View menu: a few usual intervals and Off, as choices that
// set the status bar's "Fleet check:" control (which stores the choice).  The choice
// shown follows the control, also when the control holds an interval not in the list.

#include <QMenu>

class QActionGroup;
class QSpinBox;

class FleetIntervalMenu : public QMenu {
    Q_OBJECT
public:
    FleetIntervalMenu(QSpinBox* spnFleetInterval, QWidget* parent);

private:
    void follow(int value);

    QSpinBox* spin_;
    QActionGroup* choices_;
};
