#pragma once
// The real main window on a lab's NMS side, with the kernel's neighbour table: what the
// lab tests and the lab benchmark start before they discover, select and save.  The
// calling thread must have entered the lab's NMS namespace (Lab::enterNms).

#include "Lab.h"
#include "TestServices.h"

#include "app/frmMain.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct LabWindow {
    TestBed bed;
    std::unique_ptr<frmMain> w;

    // Starts the window on the lab's NMS address; false when start-up failed.
    bool start();
    // Toolbar button 1; returns when the discovery window has closed.  With elements in
    // the list the question is answered Yes.
    void discover();
    // Clicks element k's node (by its MAC); false when it is not in the list.
    bool select(int k);
    // Save changes, the question answered Yes; the outcome arrives later.
    void save();

    QByteArray file() const;
    QString stored(int k, const char* key) const; // "<absent>" when absent
    static QString sectionOf(int k);
};
