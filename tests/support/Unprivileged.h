#pragma once
// Checks of what permissions refuse check nothing as root, and CI runs as root: there the
// test runs itself again as the unprivileged user nobody and takes that run's result.
// Use: if (ranUnprivileged()) return; then the checks.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

inline bool ranUnprivileged() {
    if (::geteuid() != 0)
        return false; // this is the run that checks
    const auto* t = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string run = "cd /tmp && HOME=/tmp TMPDIR=/tmp setpriv --reuid=65534 --regid=65534 "
                            "--clear-groups '" + std::filesystem::read_symlink("/proc/self/exe").string() +
                            "' --gtest_filter='" + t->test_suite_name() + "." + t->name() + "'";
    EXPECT_EQ(std::system(run.c_str()), 0) << "as nobody: " << run;
    return true;
}
