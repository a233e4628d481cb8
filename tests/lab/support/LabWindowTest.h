#pragma once
// A GoogleTest fixture over a lab made once per test suite and a main window made fresh
// for each test.  A suite calls upLab() from its SetUpTestSuite().

#include "LabWindow.h"

#include <QStringList>

#include <gtest/gtest.h>

class LabWindowTest : public ::testing::Test, protected LabWindow {
protected:
    // Element lines and lab options as Lab::up takes them; enters the lab's NMS namespace.
    static void upLab(const QStringList& elementLines, const QStringList& labOptions = {}) {
        QString error;
        lab_ = Lab::up(elementLines, &error, labOptions);
        ASSERT_TRUE(lab_) << error.toStdString();
        ASSERT_TRUE(lab_->enterNms(&error)) << error.toStdString();
    }
    static void TearDownTestSuite() { lab_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(lab_) << "the lab of this suite was not made";
        ASSERT_TRUE(start()) << bed.messages.texts().join(u'|').toStdString();
    }

    // How many lines of the simulated elements' log contain what.
    static int logged(const QString& what) {
        int n = 0;
        for (const QString& line : lab_->simLog())
            n += line.contains(what) ? 1 : 0;
        return n;
    }

    static inline std::unique_ptr<Lab> lab_;
};
