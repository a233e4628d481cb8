#pragma once
// Simulated elements inside a test process (loopback addresses of the test's private
// network namespace), and a started main window to talk to them.

#include "ElementDatabase.h"
#include "SimElement.h"
#include "SimOptions.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "core/database/IniStore.h"
#include "views/ElementTree.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <memory>

// An element at ip (127.0.0.x) with element-sim's element options.
inline std::unique_ptr<SimElement> startElement(const QString& ip, QStringList options = {}) {
    options << QStringLiteral("--ip") << ip << QStringLiteral("--bind") << ip;
    SimElementConfig c;
    QString error;
    EXPECT_TRUE(SimOptions::parseElement(options, &c, &error)) << error.toStdString();
    auto e = std::make_unique<SimElement>(c);
    EXPECT_TRUE(e->start()) << e->errorString().toStdString();
    return e;
}

// A started main window over a database (or none).
struct NmsWindow {
    TestBed bed;
    std::unique_ptr<frmMain> w;
    explicit NmsWindow(const QByteArray* db) {
        if (db != nullptr)
            bed.writeIni(*db);
        w = std::make_unique<frmMain>(bed.services());
        EXPECT_TRUE(w->startUp());
        bed.messages.clear();
    }
    MainWindowUi& ui() { return w->ui(); }
    void select(int index) {
        ElementTree* tree = ui().TreeView1;
        QTreeWidgetItem* node = tree->topLevelItem(index);
        ASSERT_NE(node, nullptr);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    }
    QByteArray file() const {
        QFile f(bed.iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
    }
    QString stored(const QString& section, const char* key) const {
        return IniStore::ReadFromINI(section, QString::fromLatin1(key), bed.iniPath(), QStringLiteral("<absent>"));
    }
    QStringList nodeTexts() const {
        QStringList out;
        for (int i = 0; i < w->ui().TreeView1->topLevelItemCount(); ++i)
            out.append(w->ui().TreeView1->topLevelItem(i)->text(0));
        return out;
    }
};

// The title of the modal window open now ("" when none).
inline QString modalTitle() {
    QWidget* m = QApplication::activeModalWidget();
    return m != nullptr ? m->windowTitle() : QString();
}
