// Runs the Format dialog in the test's process under the script front end,
// on the test driver library: answers are scripted per drive command, the
// pauses are recorded instead of spent, and the transcript's progress lines
// can be picked out.
#pragma once

#include "tests/format_ui/progress_lines.h"
#include "tests/ui/menu_fixture.h"
#include "ui/format_dialog.h"

#include <vector>

namespace format_test {

using namespace menu_test;

constexpr std::uint8_t requestSenseCode = 0x03;
constexpr std::uint8_t formatUnitCode = 0x04;
constexpr std::uint8_t writeCode = 0x2A;

inline std::vector<std::uint32_t> pauses;
inline void recordPause(std::uint32_t milliseconds) { pauses.push_back(milliseconds); }

// One REQUEST SENSE answer with the progress bytes 15 and 16.
inline void answerSense(std::uint8_t byte15, std::uint8_t byte16 = 0)
{
    TestDriverAnswer a;
    a.data[0] = 0x70;
    a.data[15] = byte15;
    a.data[16] = byte16;
    a.dataLength = 18;
    answerCommand(requestSenseCode, a);
}

// One REQUEST SENSE answer with a sense key and an additional sense code.
inline void answerSenseCode(std::uint8_t key, std::uint8_t code)
{
    TestDriverAnswer a;
    a.data[0] = 0x70;
    a.data[2] = key;
    a.data[7] = 10;
    a.data[12] = code;
    a.dataLength = 18;
    answerCommand(requestSenseCode, a);
}

inline void refuseCommand(std::uint8_t operationCode)
{
    TestDriverAnswer a;
    a.status = 14;
    answerCommand(operationCode, a);
}

inline std::string runFormatDialog(const std::string& script)
{
    ScriptSession<> session(script);
    openFormatDialog(nullptr);
    return session.transcript();
}

// The readable flag of every re-mount sent: true for 0x00, false for 0xFF.
inline std::vector<bool> remounts()
{
    std::vector<bool> flags;
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord& r = *testDriverRequest(i);
        if (r.code == 101)
            flags.push_back(r.record[13] == 0x00);
    }
    return flags;
}

inline std::size_t commandsSent(std::uint8_t operationCode)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord& r = *testDriverRequest(i);
        if (r.code == 103 && r.record[13] == operationCode)
            ++count;
    }
    return count;
}

class FormatTest : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        pauses.clear();
        replaceSleep(recordPause);
    }
};

} // namespace format_test
