// Runs the tool's dialogs in the test's process: the language and catalogue
// of the run, the program's own templates, the test driver library as the
// drive, and the script front end reading a script from memory.
#pragma once

#include "device/driver_transport.h"
#include "dialogs/module.h"
#include "os/pause.h"
#include "protection/protection_status.h"
#include "tests/support/script_session.h"
#include "tests/support/test_driver.h"
#include "ui/main_menu.h"
#include "ui/framework/message_catalogue.h"
#include "ui/startup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace menu_test {

inline void noPause(std::uint32_t) {}

inline void useLanguage(std::uint16_t id)
{
    languageId = id;
    selectCatalogue(id);
}

// Runs the main menu, as start-up does, under the script.
inline std::string runMenu(const std::string& script)
{
    ScriptSession<> session(script);
    openMainMenu(nullptr);
    return session.transcript();
}

// Every request fails as when no drive is attached.
inline void noDrive()
{
    TestDriverAnswer a;
    a.status = 14;
    testDriverSetDefaultAnswer(&a);
}

// The drive answers every command with "medium not present".
inline void noDisk()
{
    TestDriverAnswer a;
    a.status = 2;
    a.senseCode = 0x3A;
    testDriverSetDefaultAnswer(&a);
}

inline void queueSuccess(const std::uint8_t* data = nullptr, std::uint32_t length = 0)
{
    TestDriverAnswer a;
    if (data != nullptr)
        std::memcpy(a.data, data, length);
    a.dataLength = length;
    testDriverQueueAnswer(&a);
}

inline void queueFailure()
{
    TestDriverAnswer a;
    a.status = 14;
    testDriverQueueAnswer(&a);
}

constexpr std::uint8_t vendorStatusCode = 0x06;

// Answers for one drive command, before the common queue.
inline void answerCommand(std::uint8_t operationCode, const TestDriverAnswer& answer)
{
    testDriverQueueAnswerForCommand(operationCode, &answer);
}

// The next status query finds the disk in this state (its vendor status
// page; the probe and the mode switch take the common answers).
inline void answerState(std::uint8_t state)
{
    TestDriverAnswer a;
    a.data[21] = state;
    a.dataLength = 64;
    answerCommand(vendorStatusCode, a);
}

// The answers of a status query that finds a disk in state: the probe, the
// protection mode switched on, the vendor status page.
inline void queueDiskState(std::uint8_t state)
{
    queueSuccess();
    queueSuccess();
    queueSuccess();
    std::uint8_t page[64] = {};
    page[21] = state;
    queueSuccess(page, sizeof page);
}

// What reached the driver: "102" for a mount-folder request, "103:XX" with
// the operation code for a command.
inline std::vector<std::string> requestsSent()
{
    std::vector<std::string> sent;
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord& r = *testDriverRequest(i);
        char name[16];
        if (r.code == 103)
            std::snprintf(name, sizeof name, "103:%02X", r.record[13]);
        else
            std::snprintf(name, sizeof name, "%u", r.code);
        sent.push_back(name);
    }
    return sent;
}

// Each test starts in English with a fresh driver and the mode switch off.
class MenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        testDriverReset();
        protectionModeOn = false;
        replaceSleep(noPause);
        useLanguage(1033);
        instanceHandle = &programResources;
    }
    void TearDown() override { replaceSleep(nullptr); }
};

} // namespace menu_test
