// An X display of the test's own: Xvfb on a free display number, started
// for a test and stopped after it, so window tests need no desktop.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/types.h>

class VirtualDisplay {
public:
    // Starts Xvfb with a 1024 x 768 screen; name() is empty when Xvfb is not
    // installed or did not come up.
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return name_; } // ":93"

private:
    pid_t server_ = -1;
    std::string name_;
};

// Tests of a suite that shares one virtual display, named by DISPLAY for
// the test process and the programs it starts.
class OnVirtualDisplay : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // Empty when no display could be started: the test should skip.
    static std::string displayName();

private:
    static VirtualDisplay* display_;
};
