// The main menu through the script front end on the test driver library:
// closing, help, the commands that do nothing, and the drive check before
// Format and Protect in both languages.
#include "tests/ui/menu_fixture.h"

#include "dialogs/dialog_window.h"

namespace menu_test {
namespace {

const std::string menuOpen = "dialog open 126 \"Quib! Tools\"\n";
const std::string menuClose = "dialog close 126\n";

class MainMenu : public MenuTest {};

class ClosingTheMenu : public MainMenu, public testing::WithParamInterface<const char*> {};

TEST_P(ClosingTheMenu, EndsItWithoutAskingTheDrive)
{
    EXPECT_EQ(runMenu(GetParam()), menuOpen + menuClose);
    EXPECT_EQ(testDriverRequestCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTheMenu, testing::Values("click 2\n", "key escape\n", "command 2\n"));

TEST_F(MainMenu, OpensFromTheTemplateOfTheLanguage)
{
    useLanguage(1041);
    EXPECT_EQ(runMenu("dump\nclick 2\n"), "dialog open 113 \"Quib! Tools\"\n"
                                         "control 65535 group \"ツール\" enabled\n"
                                         "control 1024 button \"ステータス\" enabled\n"
                                         "control 1023 button \"フォーマット\" enabled\n"
                                         "control 1026 button \"フォルダ名\" enabled\n"
                                         "control 2 defbutton \"閉じる\" enabled focus\n"
                                         "control 65535 bitmap \"121\" enabled\n"
                                         "dialog close 113\n");
    // Any id but 1041 is English.
    useLanguage(2065);
    EXPECT_EQ(runMenu("click 2\n"), menuOpen + menuClose);
}

TEST_F(MainMenu, CommandOneAndUnknownCommandsDoNothingAndEnterPressesTheFocusedClose)
{
    // Close has the focus from the start, so it is the button Enter presses.
    EXPECT_EQ(runMenu("command 1\ncommand 4711\ndump\nkey enter\n"),
              menuOpen +
                  "control 65535 group \"Tool Menu\" enabled\n"
                  "control 1024 button \"Status\" enabled\n"
                  "control 1023 button \"Format\" enabled\n"
                  "control 1026 button \"Folder Name\" enabled\n"
                  "control 2 defbutton \"Close\" enabled focus\n"
                  "control 65535 bitmap \"121\" enabled\n" +
                  menuClose);
    EXPECT_EQ(testDriverRequestCount(), 0u);
}

TEST_F(MainMenu, HelpStartsTheViewerWithTheMenuTopicAndTheMenuStays)
{
    EXPECT_EQ(runMenu("key f1\nkey f1\nclick 2\n"),
              menuOpen + "help \"PegHelp.exe\" \"QuibUSB.htc\"\nhelp \"PegHelp.exe\" \"QuibUSB.htc\"\n" + menuClose);
}

// Sends the menu's commands with a non-zero notification code before the
// script's first action, as a control other than a button would.
class NotifyingFrontEnd : public ScriptFrontEnd {
public:
    using ScriptFrontEnd::ScriptFrontEnd;
    void nextAction(DialogHandle active, UserAction* action) override
    {
        if (!sent_) {
            sent_ = true;
            for (std::uint16_t id : {1024, 1023, 1025, 1026, 2})
                for (std::uintptr_t notification : {1u, 0x300u})
                    handled.push_back(sendDialogMessage(active, messageCommand, id | notification << 16, 0));
        }
        ScriptFrontEnd::nextAction(active, action);
    }
    std::vector<bool> handled;

private:
    bool sent_ = false;
};

TEST_F(MainMenu, CommandsWithANotificationCodeDoNothing)
{
    ScriptSession<NotifyingFrontEnd> session("click 2\n");
    openMainMenu(nullptr);
    EXPECT_EQ(session.transcript(), menuOpen + menuClose);
    EXPECT_EQ(session.frontEnd().handled, std::vector<bool>(10, false));
    EXPECT_EQ(testDriverRequestCount(), 0u);
}

struct RefusalCase {
    const char* name;
    std::uint16_t language;
    const char* action;
    bool drivePresent;
    const char* transcript;
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
};

class DriveCheck : public MainMenu, public testing::WithParamInterface<RefusalCase> {};

TEST_P(DriveCheck, WithoutDriveOrDiskShowsTheErrorAndTheMenuStays)
{
    const RefusalCase& c = GetParam();
    useLanguage(c.language);
    if (c.drivePresent)
        noDisk();
    else
        noDrive();
    EXPECT_EQ(runMenu(std::string(c.action) + "\nanswer ok\nclick 2\n"), c.transcript);
    // Only the probe reached the drive: the mode switch and the status page
    // are not asked for without a disk.
    EXPECT_EQ(requestsSent(), std::vector<std::string>{"103:00"});
    EXPECT_FALSE(protectionModeOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriveCheck,
    testing::Values(
        RefusalCase{"FormatNoDrive", 1033, "click 1023", false,
                    "dialog open 126 \"Quib! Tools\"\n"
                    "message 0x10 \"Error\" \"No Drive is Connected.\"\nanswer ok\n"
                    "dialog close 126\n"},
        RefusalCase{"FormatNoDisk", 1033, "click 1023", true,
                    "dialog open 126 \"Quib! Tools\"\n"
                    "message 0x10 \"Error\" \"No Quib! Disk.\"\nanswer ok\n"
                    "dialog close 126\n"},
        RefusalCase{"ProtectNoDrive", 1033, "command 1025", false,
                    "dialog open 126 \"Quib! Tools\"\n"
                    "message 0x10 \"Error\" \"No Drive is Connected.\"\nanswer ok\n"
                    "dialog close 126\n"},
        RefusalCase{"ProtectNoDisk", 1033, "command 1025", true,
                    "dialog open 126 \"Quib! Tools\"\n"
                    "message 0x10 \"Error\" \"No Quib! Disk.\"\nanswer ok\n"
                    "dialog close 126\n"},
        RefusalCase{"JapaneseFormatNoDrive", 1041, "click 1023", false,
                    "dialog open 113 \"Quib! Tools\"\n"
                    "message 0x10 \"エラー\" \"ドライブが接続されていません。\"\nanswer ok\n"
                    "dialog close 113\n"},
        RefusalCase{"JapaneseProtectNoDisk", 1041, "command 1025", true,
                    "dialog open 113 \"Quib! Tools\"\n"
                    "message 0x10 \"エラー\" \"ディスクが入っていません。\"\nanswer ok\n"
                    "dialog close 113\n"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

struct OpenCase {
    const char* name;
    const char* action;
    std::uint8_t state;
    friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }
};

class DiskPresent : public MainMenu, public testing::WithParamInterface<OpenCase> {};

// Whatever the protection, the menu shows nothing and goes on to the dialog,
// which deals with the protection itself. The script closes that dialog
// (when one opens) and then the menu.
TEST_P(DiskPresent, FormatAndProtectGoOnWhateverTheProtection)
{
    const OpenCase& c = GetParam();
    queueDiskState(c.state);
    std::string transcript = runMenu(std::string(c.action) + "\nkey escape\nkey escape\n");
    EXPECT_EQ(transcript.find("message "), std::string::npos) << transcript;
    EXPECT_EQ(transcript.substr(0, menuOpen.size()), menuOpen);
    EXPECT_EQ(transcript.substr(transcript.size() - menuClose.size()), menuClose);
    // The menu's own query: probe, mode switch on, status page.
    std::vector<std::string> sent = requestsSent();
    sent.resize(4);
    EXPECT_EQ(sent, (std::vector<std::string>{"103:00", "103:1A", "103:15", "103:06"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiskPresent,
    testing::Values(OpenCase{"FormatUnprotected", "click 1023", 0},
                    OpenCase{"FormatWriteProtected", "click 1023", 2},
                    OpenCase{"FormatPasswordProtected", "click 1023", 5},
                    OpenCase{"FormatUnknownState", "click 1023", 7},
                    OpenCase{"ProtectWriteProtectedWithPassword", "command 1025", 3}),
    [](const testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST_F(MainMenu, FolderNameOpensWithoutAskingTheDrive)
{
    noDrive();
    // The script closes the Folder Setting dialog (when one opens), then the menu.
    std::string transcript = runMenu("click 1026\nkey escape\nkey escape\n");
    EXPECT_EQ(transcript.find("message "), std::string::npos) << transcript;
    EXPECT_EQ(requestsSent().size(), 0u);
}

} // namespace
} // namespace menu_test
