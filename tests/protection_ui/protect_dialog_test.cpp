// The Protect Setting dialog through the script front end on the test
// driver library: the status lines and the enabling for every state, each
// button's questions, commands, messages and whether the dialog stays,
// help, and the protection mode switched off whenever it closes.
#include "tests/protection_ui/protect_fixture.h"

#include <algorithm>
#include <cstring>

namespace protect_test {
namespace {

const std::string dialogOpen = "dialog open 131 \"Protect Setting\"\n";
const std::string dialogClose = "dialog close 131\n";
const std::string protectHelp = "help \"PegHelp.exe\" \"QuibUSBProtect.htp\"\n";

// The English dump; enabled holds '1' or '0' for 1016, 1019, 1017, 1018
// and 1015 in that order; focus names the control that has the focus, the
// button Enter presses.
std::string englishDump(const std::string& driveLine, const std::string& status, const std::string& enabled,
                        int focus = 2)
{
    auto button = [&](int id, const char* caption, std::size_t i) {
        return "control " + std::to_string(id) + (focus == id ? " defbutton \"" : " button \"") + caption + "\"" +
               (enabled[i] == '1' ? " enabled" : " disabled") + (focus == id ? " focus\n" : "\n");
    };
    return "control 65535 group \"Protect switch\" enabled\n" + button(1016, "Write Protect", 0) +
           "control 65535 group \"Protect with Password\" enabled\n" + button(1019, "Write Protect", 1) +
           button(1017, "Read/Write Protect", 2) + "control 65535 group \"Remove Protecttion\" enabled\n" +
           button(1018, "Temporary Remove", 3) + button(1015, "Remove Protection", 4) +
           "control 65535 group \"Status\" enabled\n"
           "control 1042 edit \"" + driveLine + "\" enabled\n"
           "control 1043 edit \"" + status + "\" enabled\n"
           "control 2 " + (focus == 2 ? "defbutton" : "button") + " \"Close\" enabled" + (focus == 2 ? " focus\n" : "\n");
}

enum class Drive { Disk, NoDisk, NoDrive };

struct EnablingCase {
    const char* name;
    Drive drive;
    std::uint8_t state;   // the page's byte 21, for a disk
    const char* status;
    const char* enabled;
    friend void PrintTo(const EnablingCase& c, std::ostream* os) { *os << c.name; }
};

class Enabling : public ProtectTest, public testing::WithParamInterface<EnablingCase> {};

TEST_P(Enabling, OffersTheChangesThatFitTheState)
{
    const EnablingCase& c = GetParam();
    if (c.drive == Drive::NoDisk)
        noDisk();
    else if (c.drive == Drive::NoDrive)
        noDrive();
    else
        answerStates({c.state, c.state});
    EXPECT_EQ(runProtectDialog("dump\nclick 2\n"),
              dialogOpen + englishDump("Drive #1 : ", c.status, c.enabled) + dialogClose);
    // The drive line asks for the folder only when there is a disk.
    std::vector<std::string> sent = requestsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "102"), c.drive == Drive::Disk ? 1 : 0);
    EXPECT_EQ(commandsSent(protectionCode), 0u);
    if (c.drive == Drive::Disk) {
        EXPECT_TRUE(endsWithSwitchOff());
        EXPECT_FALSE(protectionModeOn);
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, Enabling,
    testing::Values(
        EnablingCase{"NotProtected", Drive::Disk, 0, "No Error.", "11100"},
        EnablingCase{"WriteProtected", Drive::Disk, 2, "Disk is Write Protected.", "01111"},
        EnablingCase{"WriteProtectedWithPassword", Drive::Disk, 3, "Disk is Write Protected with Password.", "00011"},
        // Only the low 4 bits of the status byte are the state.
        EnablingCase{"ReadWriteProtectedWithPassword", Drive::Disk, 0x35,
                     "Disk is Read/Write Protected with Password.", "00011"},
        EnablingCase{"WriteProtectLiftedUntilEject", Drive::Disk, 10,
                     "Temporary Unprotected on Write Protected Disk until Eject.", "01101"},
        EnablingCase{"PasswordWriteProtectLiftedUntilEject", Drive::Disk, 11,
                     "Temporary Unprotected on Write Protected with Password Disk until Eject.", "00001"},
        EnablingCase{"ReadWriteProtectLiftedUntilEject", Drive::Disk, 13,
                     "Temporary Unprotected on Read/Write Protected with Password Disk until Eject.", "00001"},
        // Codes without a meaning show an empty status line and offer nothing.
        EnablingCase{"UnknownState", Drive::Disk, 7, "", "00000"},
        EnablingCase{"DamagedState", Drive::Disk, 15, "", "00000"},
        EnablingCase{"NoDisk", Drive::NoDisk, 0, "No Quib! Disk.", "00000"},
        EnablingCase{"NoDrive", Drive::NoDrive, 0, "No Drive is Connected.", "00000"}),
    [](const testing::TestParamInfo<EnablingCase>& info) { return std::string(info.param.name); });

class ProtectDialog : public ProtectTest {};

TEST_F(ProtectDialog, DriveLineNamesTheMountFolder)
{
    // The menu's query left the mode on: probe, status page, folder, probe, status page.
    protectionModeOn = true;
    answerCommand(testUnitReadyCode, TestDriverAnswer{});
    answerCommand(testUnitReadyCode, TestDriverAnswer{});
    answerStates({2, 2});
    TestDriverAnswer folder;
    const char16_t name[] = u"Storage Card3";
    for (std::size_t i = 0; name[i] != u'\0'; ++i)
        folder.data[2 * i] = std::uint8_t(name[i]);
    folder.dataLength = 32;
    testDriverQueueAnswer(&folder);
    EXPECT_EQ(runProtectDialog("dump\nclick 2\n"),
              dialogOpen +
                  englishDump("Drive #1 : Folder Name = Storage Card3", "Disk is Write Protected.", "01111") +
                  dialogClose);
    EXPECT_EQ(requestsSent(), (std::vector<std::string>{"103:00", "103:06", "102", "103:00", "103:06", "103:1A",
                                                        "103:15"}));
}

TEST_F(ProtectDialog, OpensFromTheJapaneseTemplates)
{
    useLanguage(1041);
    answerStates({3, 3, 3});
    EXPECT_EQ(runProtectDialog("dump\nclick 1015\nclick 1\nanswer ok\nclick 2\n"),
              "dialog open 112 \"プロテクトの設定・解除\"\n"
              "control 65535 group \"プロテクト設定\" enabled\n"
              "control 1016 button \"ライトプロテクト\" disabled\n"
              "control 65535 group \"プロテクト設定（パスワードつき）\" enabled\n"
              "control 1019 button \"ライトプロテクト\" disabled\n"
              "control 1017 button \"リード・ライトプロテクト\" disabled\n"
              "control 65535 group \"プロテクトの解除\" enabled\n"
              "control 1018 button \"一時的なプロテクト解除\" enabled\n"
              "control 1015 button \"プロテクト解除\" enabled\n"
              "control 65535 group \"ステータス\" enabled\n"
              "control 1042 edit \"Drive #1 : \" enabled\n"
              "control 1043 edit \"ライトプロテクト（パスワードつき）\" enabled\n"
              "control 2 defbutton \"閉じる\" enabled focus\n"
              "dialog open 115 \"パスワードの入力\"\n"
              "message 0x30 \"パスワード入力\" \"パスワードが入力されていません。\"\n"
              "answer ok\n"
              "dialog close 115\n"
              "dialog close 112\n");
    EXPECT_TRUE(protectionCommandsSent().empty());
}

// A run of the dialog: the states the successive status queries find, the
// answer to the protection command, the script and what must come of it.
struct FlowCase {
    const char* name;
    std::vector<std::uint8_t> states;
    bool commandRefused;
    const char* script;
    std::string shown;                      // the transcript between open and close
    std::vector<std::string> commands;      // protection commands sent
    std::size_t queries;                    // status pages read
    friend void PrintTo(const FlowCase& c, std::ostream* os) { *os << c.name; }
};

class Buttons : public ProtectTest, public testing::WithParamInterface<FlowCase> {};

TEST_P(Buttons, AskRunAndReportAsTheStateRequires)
{
    const FlowCase& c = GetParam();
    for (std::uint8_t state : c.states)
        answerStates({state});
    if (c.commandRefused)
        refuseCommand(protectionCode);
    EXPECT_EQ(runProtectDialog(c.script), dialogOpen + c.shown + dialogClose);
    EXPECT_EQ(protectionCommandsSent(), c.commands);
    EXPECT_EQ(commandsSent(vendorStatusCode), c.queries);
    // However the dialog closed, it switched the protection mode off last.
    EXPECT_TRUE(endsWithSwitchOff());
    EXPECT_FALSE(protectionModeOn);
}

const std::string writeCaution =
    "message 0x34 \"Warning\" \"Write Protect with Password CAUTION: If you forget your password, you will need to "
    "copy this disk to another disk before you can change the data.\"\n";
const std::string readWriteCaution =
    "message 0x34 \"Warning\" \"Read/Write Protect with Password CAUTION: If you forget your password, the data on "
    "this disk can NEVER be recovered, The disk can only be reformatted, erasing ALL data.\"\n";
const std::string newPasswordTyped = "dialog open 130 \"New Password\"\n"
                                     "text 1027 \"******\"\n"
                                     "text 1022 \"******\"\n"
                                     "dialog close 130\n";
const std::string passwordTyped = "dialog open 129 \"Password\"\n"
                                  "text 1027 \"******\"\n"
                                  "dialog close 129\n";
const char* const typeNewPassword = "type 1027 Secret\ntype 1022 Secret\nclick 1\n";

INSTANTIATE_TEST_SUITE_P(
    Flows, Buttons,
    testing::Values(
        // Write Protect: no question; success closes, failure stays without a refresh.
        FlowCase{"WriteProtectSucceeds", {0, 0, 2}, false, "click 1016\nanswer ok\n",
                 "message 0x00 \"Write Protect\" \"This Disk is Write Protected.\"\nanswer ok\n", {"2:"}, 3},
        FlowCase{"WriteProtectFails", {0, 0}, true, "click 1016\nanswer ok\nkey f1\nclick 2\n",
                 "message 0x10 \"Write Protect\" \"Write Protect Failed.\"\nanswer ok\n" + protectHelp, {"2:"}, 2},
        // Write Protect with a password: caution, new password, command.
        FlowCase{"PasswordWriteProtectNoAtTheCaution", {0, 0}, false, "click 1019\nanswer no\nkey f1\nclick 2\n",
                 writeCaution + "answer no\n" + protectHelp, {}, 2},
        FlowCase{"PasswordWriteProtectCancelled", {0, 0}, false, "click 1019\nanswer yes\nclick 2\nkey f1\nclick 2\n",
                 writeCaution + "answer yes\ndialog open 130 \"New Password\"\ndialog close 130\n" + protectHelp, {},
                 2},
        FlowCase{"PasswordWriteProtectSucceeds", {0, 0, 3}, false,
                 "click 1019\nanswer yes\ntype 1027 Secret\ntype 1022 Secret\nclick 1\nanswer ok\n",
                 writeCaution + "answer yes\n" + newPasswordTyped +
                     "message 0x00 \"Write Protect\" \"This Disk is Write Protected with Password.\"\nanswer ok\n",
                 {"3:Secret"}, 3},
        FlowCase{"PasswordWriteProtectFails", {10, 10}, true,
                 "click 1019\nanswer yes\ntype 1027 Secret\ntype 1022 Secret\nclick 1\nanswer ok\nkey f1\nclick 2\n",
                 writeCaution + "answer yes\n" + newPasswordTyped +
                     "message 0x10 \"Write Protect\" \"Write Protect Failed.\"\nanswer ok\n" + protectHelp,
                 {"3:Secret"}, 2},
        // Read/Write Protect: the same steps with its own texts.
        FlowCase{"ReadWriteProtectNoAtTheCaution", {2, 2}, false, "click 1017\nanswer no\nkey f1\nclick 2\n",
                 readWriteCaution + "answer no\n" + protectHelp, {}, 2},
        FlowCase{"ReadWriteProtectSucceeds", {2, 2, 5}, false,
                 "click 1017\nanswer yes\ntype 1027 Secret\ntype 1022 Secret\nclick 1\nanswer ok\n",
                 readWriteCaution + "answer yes\n" + newPasswordTyped +
                     "message 0x00 \"Read/Write Protect\" \"This Disk is Read/Write Protected with Password.\"\n"
                     "answer ok\n",
                 {"5:Secret"}, 3},
        FlowCase{"ReadWriteProtectFails", {0, 0}, true,
                 "click 1017\nanswer yes\ntype 1027 Secret\ntype 1022 Secret\nclick 1\nanswer ok\nkey f1\nclick 2\n",
                 readWriteCaution + "answer yes\n" + newPasswordTyped +
                     "message 0x10 \"Read/Write Protect\" \"Write Protect Failed.\"\nanswer ok\n" + protectHelp,
                 {"5:Secret"}, 2},
        // Remove Protection and Temporary Remove.
        FlowCase{"RemoveOnADiskNotProtected", {0, 0, 0}, false, "command 1015\nanswer ok\n",
                 "message 0x30 \"Unprotect\" \"This Disk is not Protected.\"\nanswer ok\n", {}, 3},
        FlowCase{"TemporaryRemoveOnADiskNotProtected", {0, 0, 0}, false, "command 1018\nanswer ok\n",
                 "message 0x30 \"Unprotect\" \"This Disk is not Protected.\"\nanswer ok\n", {}, 3},
        FlowCase{"RemoveWriteProtectWithoutPassword", {2, 2, 2, 0}, false, "click 1015\nanswer ok\n",
                 "message 0x00 \"Unprotect\" \"Unprotect Successful.\"\nanswer ok\n", {"0:"}, 4},
        FlowCase{"RemoveLiftedWriteProtectWithoutPassword", {10, 10, 10, 0}, false, "click 1015\nanswer ok\n",
                 "message 0x00 \"Unprotect\" \"Unprotect Successful.\"\nanswer ok\n", {"0:"}, 4},
        FlowCase{"TemporaryRemoveWriteProtectWithoutPassword", {2, 2, 2, 10}, false, "click 1018\nanswer ok\n",
                 "message 0x00 \"Unprotect until Eject.\" \"This Disk is Temporary Unprotected until Eject.\"\n"
                 "answer ok\n",
                 {"8:"}, 4},
        FlowCase{"RemovePasswordProtection", {3, 3, 3, 0}, false, "click 1015\ntype 1027 Secret\nclick 1\nanswer ok\n",
                 passwordTyped + "message 0x00 \"Unprotect\" \"Unprotect Successful.\"\nanswer ok\n", {"0:Secret"}, 4},
        FlowCase{"RemoveLiftedReadWriteProtection", {13, 13, 13, 0}, false,
                 "click 1015\ntype 1027 Secret\nkey enter\nanswer ok\n",
                 passwordTyped + "message 0x00 \"Unprotect\" \"Unprotect Successful.\"\nanswer ok\n", {"0:Secret"}, 4},
        FlowCase{"TemporaryRemoveReadWriteProtection", {5, 5, 5, 13}, false,
                 "click 1018\ntype 1027 Secret\nclick 1\nanswer ok\n",
                 passwordTyped +
                     "message 0x00 \"Unprotect until Eject.\" \"This Disk is Temporary Unprotected until Eject.\"\n"
                     "answer ok\n",
                 {"8:Secret"}, 4},
        // A cancelled password dialog closes the protect dialog without a word.
        FlowCase{"RemovePasswordCancelled", {3, 3, 3}, false, "click 1015\nkey escape\n",
                 "dialog open 129 \"Password\"\ndialog close 129\n", {}, 3},
        FlowCase{"TemporaryRemovePasswordCancelled", {5, 5, 5}, false, "click 1018\nclick 2\n",
                 "dialog open 129 \"Password\"\ndialog close 129\n", {}, 3},
        // A failure stays and shows the disk as it is now (here the state
        // read afterwards differs, so the status line changes).
        FlowCase{"RemoveWithAWrongPassword", {3, 3, 3, 5, 5}, true,
                 "click 1015\ntype 1027 secret\nclick 1\nanswer ok\nkey f1\nclick 2\n",
                 passwordTyped + "message 0x10 \"Unprotect\" \"Unprotedt Fail.\"\nanswer ok\n"
                                 "text 1043 \"Disk is Read/Write Protected with Password.\"\n" +
                     protectHelp,
                 {"0:secret"}, 5},
        FlowCase{"TemporaryRemoveFails", {2, 2, 2, 10, 10}, true, "click 1018\nanswer ok\nkey f1\nclick 2\n",
                 "message 0x10 \"Unprotect until Eject.\" \"Unprotedt Fail.\"\nanswer ok\n"
                 "text 1043 \"Temporary Unprotected on Write Protected Disk until Eject.\"\n" +
                     protectHelp,
                 {"8:"}, 5},
        FlowCase{"RemoveOnABrokenState", {2, 2, 7, 7, 7}, false, "click 1015\nanswer ok\nkey f1\nclick 2\n",
                 "message 0x10 \"Unprotect\" \"This Disk's protect information is broken.\\r\\nLong Format is "
                 "recommended.\"\nanswer ok\n"
                 // A state without a text of its own shows an empty status line.
                 "text 1043 \"\"\n" +
                     protectHelp,
                 {}, 5},
        // Close, Escape and help.
        FlowCase{"CloseButton", {0, 0}, false, "click 2\n", "", {}, 2},
        FlowCase{"EscapeKey", {0, 0}, false, "key escape\n", "", {}, 2},
        FlowCase{"HelpKeepsTheDialogOpen", {0, 0}, false, "key f1\nkey f1\ncommand 1\nkey enter\nclick 2\n",
                 protectHelp + protectHelp, {}, 2}),
    [](const testing::TestParamInfo<FlowCase>& info) { return std::string(info.param.name); });

TEST_F(ProtectDialog, DiskGoneAtRemoveSaysSoAndStaysWithNothingOffered)
{
    // The two probes at the opening find the disk; the one at the click does not.
    answerCommand(testUnitReadyCode, TestDriverAnswer{});
    answerCommand(testUnitReadyCode, TestDriverAnswer{});
    answerStates({2, 2});
    noDisk();
    EXPECT_EQ(runProtectDialog("click 1015\nanswer ok\ndump\nclick 2\n"),
              dialogOpen + "message 0x10 \"Unprotect\" \"No Quib! Disk.\"\nanswer ok\n"
                           "text 1043 \"No Quib! Disk.\"\n" +
                  englishDump("Drive #1 : ", "No Quib! Disk.", "00000", 2) + dialogClose);
    EXPECT_TRUE(protectionCommandsSent().empty());
}

TEST_F(ProtectDialog, DriveGoneAtRemoveSaysSoAndCloses)
{
    answerCommand(testUnitReadyCode, TestDriverAnswer{});
    answerCommand(testUnitReadyCode, TestDriverAnswer{});
    answerStates({2, 2});
    noDrive();
    EXPECT_EQ(runProtectDialog("click 1018\nanswer ok\n"),
              dialogOpen + "message 0x10 \"Unprotect\" \"No Drive is Connected.\"\nanswer ok\n" + dialogClose);
    EXPECT_TRUE(protectionCommandsSent().empty());
}

TEST_F(ProtectDialog, FailedRemoveRefreshesTheEnabling)
{
    // Write protected, then the wrong password; the drive now reports the
    // protection lifted until eject, which offers no Temporary Remove.
    answerStates({2, 2, 2, 10, 10});
    refuseCommand(protectionCode);
    EXPECT_EQ(runProtectDialog("click 1015\nanswer ok\ndump\nclick 2\n"),
              dialogOpen + "message 0x10 \"Unprotect\" \"Unprotedt Fail.\"\nanswer ok\n"
                           "text 1043 \"Temporary Unprotected on Write Protected Disk until Eject.\"\n" +
                  // The clicked button keeps the focus; Close has it only from the opening.
                  englishDump("Drive #1 : ", "Temporary Unprotected on Write Protected Disk until Eject.", "01101",
                              1015) +
                  dialogClose);
}

// The password goes to the drive, and is gone from the buffer as soon as
// the command that needed it has returned, whether the drive took it or not.
struct ClearedCase {
    const char* name;
    std::vector<std::uint8_t> states;
    bool commandRefused;
    const char* script;
    std::string sent;
};

class PasswordAfterUse : public ProtectTest, public testing::WithParamInterface<ClearedCase> {};

TEST_P(PasswordAfterUse, IsClearedFromTheBuffer)
{
    const ClearedCase& c = GetParam();
    for (std::uint8_t state : c.states)
        answerStates({state});
    if (c.commandRefused)
        refuseCommand(protectionCode);
    runProtectDialog(c.script);
    EXPECT_EQ(protectionCommandsSent(), std::vector<std::string>{c.sent});
    const char16_t cleared[passwordCapacity] = {};
    EXPECT_EQ(std::memcmp(PasswordBuffer, cleared, sizeof cleared), 0) << std::string(PasswordBuffer, PasswordBuffer + 6);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PasswordAfterUse,
    testing::Values(ClearedCase{"Unprotect", {3, 3, 3, 0}, false, "click 1015\ntype 1027 Secret\nclick 1\nanswer ok\n",
                                "0:Secret"},
                    ClearedCase{"UnprotectRefused", {3, 3, 3}, true,
                                "click 1015\ntype 1027 Secret\nclick 1\nanswer ok\nclick 2\n", "0:Secret"},
                    ClearedCase{"WriteProtectWithPassword", {0, 0, 3}, false,
                                "click 1019\nanswer yes\ntype 1027 Secret\ntype 1022 Secret\nclick 1\nanswer ok\n",
                                "3:Secret"}),
    [](const testing::TestParamInfo<ClearedCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace protect_test
