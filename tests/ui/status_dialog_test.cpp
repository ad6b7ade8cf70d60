// The Status dialog, opened from the main menu through the script front
// end, on the test driver library: its three fields for a disk, no disk and
// no drive in both languages, help, closing, and that it never refreshes.
#include "tests/ui/menu_fixture.h"

#include "dialogs/dialog_window.h"

namespace menu_test {
namespace {

// A boot record whose slot 4 points at sector 32, as the quick format writes it.
void queueBootRecord()
{
    std::uint8_t sector[512] = {};
    sector[0] = 0xEB;
    sector[1] = 0x2E;
    sector[2] = 'Q';
    sector[0x1F6] = 32;
    sector[510] = 0x55;
    sector[511] = 0xAA;
    queueSuccess(sector, 512);
}

void queueBootSector(const char* label11)
{
    std::uint8_t sector[512] = {};
    sector[0] = 0xEB;
    sector[1] = 0x3C;
    sector[2] = 0x90;
    std::memcpy(sector + 43, label11, 11);
    std::memcpy(sector + 54, "FAT16   ", 8);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    queueSuccess(sector, 512);
}

void queueMountFolder(const char16_t* folder)
{
    std::uint8_t answer[32] = {};
    for (std::size_t i = 0; folder[i] != u'\0' && i < 16; ++i) {
        answer[2 * i] = std::uint8_t(folder[i] & 0xFF);
        answer[2 * i + 1] = std::uint8_t(folder[i] >> 8);
    }
    queueSuccess(answer, sizeof answer);
}

enum class Drive { Disk, DiskWithoutFolder, NoDisk, NoDrive };

struct StatusCase {
    const char* name;
    std::uint16_t language;
    Drive drive;
    std::uint8_t state;
    const char* label11;
    const char* driveLine;
    const char* labelField;
    const char* stateField;
    friend void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }
};

class StatusDialog : public MenuTest, public testing::WithParamInterface<StatusCase> {};

std::string statusTranscript(const StatusCase& c)
{
    bool japanese = c.language == 1041;
    std::string menuId = japanese ? "113" : "126";
    std::string statusId = japanese ? "118" : "132";
    return "dialog open " + menuId + " \"Quib! Tools\"\n" +
           "dialog open " + statusId + (japanese ? " \"ステータス\"\n" : " \"Status\"\n") +
           (japanese ? "control 2 defbutton \"閉じる\" enabled focus\n" : "control 2 defbutton \"Close\" enabled focus\n") +
           (japanese ? "control 65535 group \"ステータス\" enabled\n" : "control 65535 group \"Status\" enabled\n") +
           "control 1045 edit \"" + c.driveLine + "\" enabled\n" +
           (japanese ? "control 65535 static \"ボリュームラベル：\" enabled\n"
                     : "control 65535 static \"Volume Label :\" enabled\n") +
           "control 1031 edit \"" + c.labelField + "\" enabled\n" +
           "control 1021 edit \"" + c.stateField + "\" enabled\n" +
           "dialog close " + statusId + "\n" +
           "dialog close " + menuId + "\n";
}

TEST_P(StatusDialog, ShowsTheDriveLineTheLabelAndTheState)
{
    const StatusCase& c = GetParam();
    useLanguage(c.language);
    std::vector<std::string> expectedRequests;
    switch (c.drive) {
    case Drive::Disk:
    case Drive::DiskWithoutFolder:
        queueDiskState(c.state);
        if (c.drive == Drive::Disk)
            queueMountFolder(u"Storage Card2");
        else
            queueFailure();
        queueBootRecord();
        queueBootSector(c.label11);
        expectedRequests = {"103:00", "103:1A", "103:15", "103:06", "102", "103:28", "103:28"};
        break;
    case Drive::NoDisk:
        noDisk();
        expectedRequests = {"103:00", "103:28"};
        break;
    case Drive::NoDrive:
        noDrive();
        expectedRequests = {"103:00", "103:28"};
        break;
    }
    // Nothing the person does in the dialog makes it read the drive again.
    EXPECT_EQ(runMenu("click 1024\nkey tab\ndump\nkey enter\nclick 2\n"), statusTranscript(c));
    EXPECT_EQ(requestsSent(), expectedRequests);
    // The query left the protection mode on for a disk; the dialog does not switch it off.
    EXPECT_EQ(protectionModeOn, c.drive == Drive::Disk || c.drive == Drive::DiskWithoutFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusDialog,
    testing::Values(
        StatusCase{"EnglishDisk", 1033, Drive::Disk, 0, "ABCDEF     ",
                   "Drive #1 : Folder Name = Storage Card2", "[ABCDEF     ]", "No Error."},
        StatusCase{"JapaneseDisk", 1041, Drive::Disk, 0, "ABCDEF     ",
                   "Drive #1 : フォルダ名 = Storage Card2", "[ABCDEF     ]", "通常"},
        StatusCase{"EnglishWriteProtectedWithoutFolder", 1033, Drive::DiskWithoutFolder, 2, "QUIB DISK  ",
                   "Drive #1 : ", "[QUIB DISK  ]", "Disk is Write Protected."},
        StatusCase{"EnglishEmptyLabel", 1033, Drive::Disk, 0x35, "\0\0\0\0\0\0\0\0\0\0\0",
                   "Drive #1 : Folder Name = Storage Card2", "[]",
                   "Disk is Read/Write Protected with Password."},
        // A state without a text of its own shows an empty status field.
        StatusCase{"EnglishStateWithoutText", 1033, Drive::Disk, 7, "ABCDEF     ",
                   "Drive #1 : Folder Name = Storage Card2", "[ABCDEF     ]", ""},
        StatusCase{"EnglishNoDisk", 1033, Drive::NoDisk, 0, "", "Drive #1 : ", "[]", "No Quib! Disk."},
        StatusCase{"JapaneseNoDisk", 1041, Drive::NoDisk, 0, "", "Drive #1 : ", "[]", "ディスクが入っていません。"},
        StatusCase{"EnglishNoDrive", 1033, Drive::NoDrive, 0, "", "Drive #1 : ", "[]", "No Drive is Connected."},
        StatusCase{"JapaneseNoDrive", 1041, Drive::NoDrive, 0, "", "Drive #1 : ", "[]",
                   "ドライブが接続されていません。"}),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

class StatusHelpAndClose : public MenuTest {};

TEST_F(StatusHelpAndClose, HelpStartsTheViewerWithTheStatusTopicAndTheDialogStays)
{
    noDrive();
    EXPECT_EQ(runMenu("click 1024\nkey f1\ncommand 1\nkey escape\nclick 2\n"),
              "dialog open 126 \"Quib! Tools\"\n"
              "dialog open 132 \"Status\"\n"
              "help \"PegHelp.exe\" \"QuibUSBStatus.htp\"\n"
              "dialog close 132\n"
              "dialog close 126\n");
    EXPECT_EQ(requestsSent().size(), 2u) << "filled once: the probe and the sector 0 read";
}

// Sends command 2 with a notification code, as a control other than a
// button would, at the Status dialog's first action.
class NotifyingFrontEnd : public ScriptFrontEnd {
public:
    using ScriptFrontEnd::ScriptFrontEnd;
    void nextAction(DialogHandle active, UserAction* action) override
    {
        if (dialogTemplateOf(active)->id == 132 && !sent_) {
            sent_ = true;
            handled = sendDialogMessage(active, messageCommand, 2 | 0x300u << 16, 0);
        }
        ScriptFrontEnd::nextAction(active, action);
    }
    bool handled = true;

private:
    bool sent_ = false;
};

TEST_F(StatusHelpAndClose, CommandWithANotificationCodeDoesNotClose)
{
    noDrive();
    ScriptSession<NotifyingFrontEnd> session("click 1024\ndump\nclick 2\nclick 2\n");
    openMainMenu(nullptr);
    EXPECT_FALSE(session.frontEnd().handled);
    std::string transcript = session.transcript();
    // The dump comes after the notification: the dialog was still open.
    EXPECT_NE(transcript.find("dialog open 132 \"Status\"\ncontrol 2 defbutton"), std::string::npos) << transcript;
}

} // namespace
} // namespace menu_test
