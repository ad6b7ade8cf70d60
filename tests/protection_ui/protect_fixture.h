// Runs the Protect Setting and password dialogs in the test's process under
// the script front end, on the test driver library: every command the test
// does not script succeeds, the status page and the protection command are
// answered per command, and what went to the drive can be read back.
#pragma once

#include "tests/ui/menu_fixture.h"
#include "ui/password_dialogs.h"
#include "ui/protect_dialog.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace protect_test {

using namespace menu_test;

constexpr std::uint8_t testUnitReadyCode = 0x00;
constexpr std::uint8_t protectionCode = 0x0C;
constexpr std::uint8_t modeSenseCode = 0x1A;
constexpr std::uint8_t modeSelectCode = 0x15;

// The next status queries find the disk in these states, one per query.
// A query with no state left reads an unanswered page (state 15).
inline void answerStates(std::initializer_list<std::uint8_t> states)
{
    for (std::uint8_t state : states)
        answerState(state);
}

// The drive rejects the next command of this kind.
inline void refuseCommand(std::uint8_t operationCode)
{
    TestDriverAnswer a;
    a.status = 2;
    a.senseCode = 0x74;
    a.senseQualifier = 0x71;
    answerCommand(operationCode, a);
}

inline std::string runProtectDialog(const std::string& script)
{
    ScriptSession<> session(script);
    openProtectDialog(nullptr);
    return session.transcript();
}

// Each protection command sent, as "MODE:PASSWORD" ("0:" for the empty
// password), checked for a length byte that matches the data sent.
inline std::vector<std::string> protectionCommandsSent()
{
    std::vector<std::string> sent;
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord& r = *testDriverRequest(i);
        if (r.code != 103 || r.record[13] != protectionCode)
            continue;
        std::uint8_t length = r.record[17];
        EXPECT_EQ(length, r.dataLength);
        sent.push_back(std::to_string(r.record[14] & 0x0F) + ":" +
                       std::string(reinterpret_cast<const char*>(r.data), r.dataLength));
    }
    return sent;
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

// True when the last two requests switched the protection mode off.
inline bool endsWithSwitchOff()
{
    std::size_t n = testDriverRequestCount();
    if (n < 2)
        return false;
    const TestDriverRecord& sense = *testDriverRequest(n - 2);
    const TestDriverRecord& select = *testDriverRequest(n - 1);
    return sense.code == 103 && sense.record[13] == modeSenseCode && select.code == 103 &&
           select.record[13] == modeSelectCode && select.dataLength == 10 && (select.data[6] & 0x20) == 0;
}

inline std::u16string passwordAnswer() { return std::u16string(PasswordBuffer); }

// A left-over answer that each dialog must overwrite.
inline void fillPasswordBuffer()
{
    for (std::size_t i = 0; i + 1 < passwordCapacity; ++i)
        PasswordBuffer[i] = u'z';
    PasswordBuffer[passwordCapacity - 1] = u'\0';
}

class ProtectTest : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        fillPasswordBuffer();
    }
};

} // namespace protect_test
