// The Format dialog through the script front end on the test driver
// library: what it shows when it opens, the label rules, the confirmation,
// the refusals and re-confirmations by protection state and style in both
// languages, help, and the protection mode switched off when it ends.
#include "tests/format_ui/format_fixture.h"

#include "format/format_run.h"

#include <cstring>

namespace format_test {
namespace {

constexpr std::uint8_t readCode = 0x28;
constexpr std::uint8_t modeSelectCode = 0x15;

std::string label()
{
    return std::string(reinterpret_cast<const char*>(FormatLabel), 11);
}

// The disk's sector 0 is a boot record whose slot 4 points at a boot
// sector holding label11.
void answerDiskLabel(const char* label11)
{
    TestDriverAnswer record;
    record.data[0] = 0xEB;
    record.data[0x1F6] = 32;
    record.data[510] = 0x55;
    record.data[511] = 0xAA;
    record.dataLength = 512;
    answerCommand(readCode, record);
    TestDriverAnswer boot;
    boot.data[0] = 0xEB;
    boot.data[1] = 0x3C;
    boot.data[2] = 0x90;
    std::memcpy(boot.data + 43, label11, 11);
    std::memcpy(boot.data + 54, "FAT16   ", 8);
    boot.data[510] = 0x55;
    boot.data[511] = 0xAA;
    boot.dataLength = 512;
    answerCommand(readCode, boot);
}

class FormatDialog : public FormatTest {
protected:
    void SetUp() override
    {
        FormatTest::SetUp();
        std::memset(FormatLabel, 0xAA, 11);
        FormatLabel[11] = 0;
    }
};

TEST_F(FormatDialog, OpensWithTheDiskStatusLabelAndSimpleFormatChosen)
{
    answerDiskLabel("MYDISK     ");
    answerState(3);
    std::string transcript = runFormatDialog("dump\nclick 2\n");

    EXPECT_NE(transcript.find("control 1037 radio \"Simple Format\" enabled checked\n"
                              "control 1038 radio \"Long Format\" enabled\n"),
              std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find("control 1039 edit \"MYDISK     \" enabled\n"), std::string::npos);
    EXPECT_NE(transcript.find("control 1041 edit \"Disk is Write Protected with Password.\" enabled\n"), std::string::npos);
    EXPECT_NE(transcript.find("control 2 defbutton \"Close\" enabled focus\n"), std::string::npos);
}

// A state without a text of its own leaves the status line empty.
TEST_F(FormatDialog, StateWithoutATextShowsAnEmptyStatusLine)
{
    answerState(7);
    std::string transcript = runFormatDialog("dump\nclick 2\n");
    EXPECT_NE(transcript.find("control 1041 edit \"\" enabled\n"), std::string::npos) << transcript;
}

TEST_F(FormatDialog, LabelReadFromTheDiskIsStoredUnchangedOnOk)
{
    answerDiskLabel("MYDISK     ");
    runFormatDialog("click 1\nanswer yes\nclick 2\n");
    EXPECT_EQ(label(), "MYDISK     ");
}

struct LabelCase {
    const char* name;
    const char* typed;            // UTF-8
    const char* stored;           // the 11 label bytes after the OK that is accepted
    bool acceptedFirstTime;
    const char* correctedField;   // what the field shows after a refused OK
    friend void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.name; }
};

class FormatLabelRules : public FormatDialog, public testing::WithParamInterface<LabelCase> {};

// An accepted label is confirmed at once; a corrected one stays in the
// dialog without a message and a second OK takes what the field shows.
TEST_P(FormatLabelRules, StoresOrCorrectsTheLabel)
{
    const LabelCase& c = GetParam();
    std::string script = std::string("type 1039 ") + c.typed + "\nclick 1\n";
    if (!c.acceptedFirstTime)
        script += "dump\nclick 1\n";
    script += "answer no\nclick 2\n";
    std::string transcript = runFormatDialog(script);

    EXPECT_EQ(linesStartingWith(transcript, "message ").size(), 1u) << transcript;
    if (c.acceptedFirstTime) {
        EXPECT_EQ(transcript.find("control 1039"), std::string::npos);
    } else {
        EXPECT_NE(transcript.find(std::string("control 1039 edit \"") + c.correctedField + "\""), std::string::npos)
            << transcript;
        // The refused OK gives the focus back to Close.
        EXPECT_NE(transcript.find("control 2 defbutton \"Close\" enabled focus"), std::string::npos);
    }
    EXPECT_EQ(label(), std::string(c.stored, 11));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatLabelRules,
    testing::Values(LabelCase{"Empty", "", "\0\0\0\0\0\0\0\0\0\0\0", true, nullptr},
                    LabelCase{"FourCharacters", "ABCD", "ABCD       ", true, nullptr},
                    LabelCase{"LowerCaseKept", "MyDisk", "MyDisk     ", true, nullptr},
                    LabelCase{"ElevenCharacters", "ABCDEFGHIJK", "ABCDEFGHIJK", true, nullptr},
                    LabelCase{"TwelveCharactersCutTo11", "ABCDEFGHIJKL", "ABCDEFGHIJK", false, "ABCDEFGHIJK"},
                    LabelCase{"LongerInputReadAs12ThenCut", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJK", false, "ABCDEFGHIJK"},
                    // Emptied, then the second OK takes the empty label.
                    LabelCase{"NoEightBitForm", "DISK\xe2\x82\xac\xe6\x97\xa5", "\0\0\0\0\0\0\0\0\0\0\0", false,
                              ""}));

TEST_F(FormatDialog, NoAtTheConfirmationKeepsTheDialogAndTheNewLabel)
{
    std::string transcript = runFormatDialog("type 1039 NEW\nclick 1\nanswer no\ndump\nclick 2\n");

    EXPECT_EQ(label(), "NEW        ");
    EXPECT_NE(transcript.find("message 0x34 \"Format Confirmation\" "
                              "\"You may lose datas on the Quib! disk. Do you want to format ?\""),
              std::string::npos);
    EXPECT_NE(transcript.find("control 2 defbutton \"Close\" enabled focus"), std::string::npos) << transcript;
    EXPECT_EQ(transcript.find("dialog open 133"), std::string::npos);
    EXPECT_EQ(commandsSent(vendorStatusCode), 1u);
}

enum class Outcome { Proceed, Refuse, Reconfirm };

struct StateRow {
    const char* name;
    std::uint16_t language;
    std::uint16_t state;   // NoDisk and NoDrive come from the probe
    bool simple;
    Outcome outcome;
    const char* message;   // the message line, without a trailing newline
    friend void PrintTo(const StateRow& c, std::ostream* os) { *os << c.name; }
};

class FormatStateTable : public FormatDialog, public testing::WithParamInterface<StateRow> {};

// For each state and style: format at once, refuse with a message, or ask
// again (Yes opens Format Execute, No keeps the Format dialog).
TEST_P(FormatStateTable, DecidesByStateAndStyle)
{
    const StateRow& row = GetParam();
    useLanguage(row.language);
    if (row.state == NoDisk || row.state == NoDrive) {
        answerCommand(0x00, TestDriverAnswer{});
        TestDriverAnswer probe;
        probe.status = row.state == NoDisk ? 2 : 14;
        probe.senseCode = row.state == NoDisk ? 0x3A : 0;
        answerCommand(0x00, probe);
    } else {
        answerState(0);
        answerState(std::uint8_t(row.state));
    }
    std::string style = row.simple ? "" : "click 1038\n";
    std::string proceedScript = style + "click 1\nanswer yes\n" + (row.outcome == Outcome::Reconfirm ? "answer yes\n" : "") +
                                "click 2\n";
    std::string transcript = runFormatDialog(row.outcome == Outcome::Refuse ? style + "click 1\nanswer yes\nanswer ok\ndump\nclick 2\n"
                                                                            : proceedScript);

    std::vector<std::string> messages = linesStartingWith(transcript, "message ");
    if (row.outcome == Outcome::Proceed) {
        EXPECT_EQ(messages.size(), 1u) << transcript;
    } else {
        ASSERT_EQ(messages.size(), 2u) << transcript;
        EXPECT_EQ(messages[1], row.message);
    }
    bool executeOpened = transcript.find("dialog open 133") != std::string::npos ||
                         transcript.find("dialog open 117") != std::string::npos;
    EXPECT_EQ(executeOpened, row.outcome != Outcome::Refuse) << transcript;
    if (row.outcome == Outcome::Refuse) {
        // The refusal gives the focus back to Close.
        EXPECT_NE(transcript.find("control 2 defbutton \"" + std::string(row.language == 1041 ? "閉じる" : "Close") +
                                  "\" enabled focus"),
                  std::string::npos);
    }
}

const char* const writeProtectedSimple =
    "message 0x10 \"Error\" \"This Disk is Write Protected.\\r\\nThis disk could not be formated with Simple "
    "Format.\"";
const char* const passwordSimple =
    "message 0x10 \"Error\" \"This Disk is Write Protected with Password.\\r\\nYou cannot format this by Simple Format.\"";
const char* const readWritePasswordSimple = "message 0x10 \"Error\" \"This Disk is Read/Write Protected with "
                                            "Password.\\r\\nYou cannot format this by Simple Format.\"";
const char* const writeProtectedLong =
    "message 0x34 \"Format Reconfirmation\" \"This Disk is Write Protected. Do you really want to format ?\"";
const char* const passwordLong = "message 0x34 \"Format Reconfirmation\" \"This Disk is Write Protected with "
                                 "Password.\\r\\nDo you really format this Disk ?\"";
const char* const readWritePasswordLong = "message 0x34 \"Format Reconfirmation\" \"This Disk is Read/Write Protected "
                                          "with Password.\\r\\nDo you really format this Disk ?\"";

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatStateTable,
    testing::Values(
        StateRow{"State0Simple", 1033, 0, true, Outcome::Proceed, nullptr},
        StateRow{"State0Long", 1033, 0, false, Outcome::Proceed, nullptr},
        StateRow{"State2Simple", 1033, 2, true, Outcome::Refuse, writeProtectedSimple},
        StateRow{"State10Simple", 1033, 10, true, Outcome::Refuse, writeProtectedSimple},
        StateRow{"State2Long", 1033, 2, false, Outcome::Reconfirm, writeProtectedLong},
        StateRow{"State10Long", 1033, 10, false, Outcome::Reconfirm, writeProtectedLong},
        StateRow{"State3Simple", 1033, 3, true, Outcome::Refuse, passwordSimple},
        StateRow{"State11Simple", 1033, 11, true, Outcome::Refuse, passwordSimple},
        StateRow{"State3Long", 1033, 3, false, Outcome::Reconfirm, passwordLong},
        StateRow{"State11Long", 1033, 11, false, Outcome::Reconfirm, passwordLong},
        StateRow{"State5Simple", 1033, 5, true, Outcome::Refuse, readWritePasswordSimple},
        StateRow{"State13Simple", 1033, 13, true, Outcome::Refuse, readWritePasswordSimple},
        StateRow{"State5Long", 1033, 5, false, Outcome::Reconfirm, readWritePasswordLong},
        StateRow{"State13Long", 1033, 13, false, Outcome::Reconfirm, readWritePasswordLong},
        StateRow{"NoDiskSimple", 1033, NoDisk, true, Outcome::Refuse, "message 0x10 \"Error\" \"No Quib! Disk.\""},
        StateRow{"NoDiskLong", 1033, NoDisk, false, Outcome::Refuse, "message 0x10 \"Error\" \"No Quib! Disk.\""},
        StateRow{"NoDriveLong", 1033, NoDrive, false, Outcome::Refuse,
                 "message 0x10 \"Error\" \"No Drive is Connected.\""},
        StateRow{"UnknownState1", 1033, 1, true, Outcome::Proceed, nullptr},
        StateRow{"UnknownState4", 1033, 4, false, Outcome::Proceed, nullptr},
        StateRow{"UnknownState12", 1033, 12, true, Outcome::Proceed, nullptr},
        StateRow{"UnknownState15", 1033, 15, true, Outcome::Proceed, nullptr},
        StateRow{"JapaneseState2Simple", 1041, 2, true, Outcome::Refuse,
                 "message 0x10 \"エラー\" \"このディスクは，ライトプロテクトされています。高速フォーマットではフォーマット"
                 "できません。\""},
        StateRow{"JapaneseState3Long", 1041, 3, false, Outcome::Reconfirm,
                 "message 0x34 \"フォーマット再確認\" \"このディスクは，パスワード付きでライトプロテクトされています。"
                 "フォーマットしてもよろしいですか？\""},
        StateRow{"JapaneseState5Simple", 1041, 5, true, Outcome::Refuse,
                 "message 0x10 \"エラー\" \"このディスクは，パスワード付きでリード・ライトプロテクトされています。高速"
                 "フォーマットではフォーマットできません。\""},
        StateRow{"JapaneseState13Long", 1041, 13, false, Outcome::Reconfirm,
                 "message 0x34 \"フォーマット再確認\" \"このディスクは，パスワード付きでリード・ライトプロテクトされて"
                 "います。フォーマットしてもよろしいですか？\""},
        StateRow{"JapaneseNoDrive", 1041, NoDrive, true, Outcome::Refuse,
                 "message 0x10 \"エラー\" \"ドライブが接続されていません。\""}));

TEST_F(FormatDialog, NoAtTheReconfirmationKeepsTheDialog)
{
    answerState(0);
    answerState(2);
    std::string transcript = runFormatDialog("click 1038\nclick 1\nanswer yes\nanswer no\ndump\nclick 2\n");

    EXPECT_EQ(transcript.find("dialog open 133"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("control 2 defbutton \"Close\" enabled focus"), std::string::npos);
}

TEST_F(FormatDialog, HelpInTheFormatDialogOnlyAndTheDialogsStay)
{
    std::string transcript = runFormatDialog("key f1\nclick 1\nanswer yes\nkey f1\ndump\nclick 2\n");

    EXPECT_EQ(linesStartingWith(transcript, "help "),
              std::vector<std::string>{"help \"PegHelp.exe\" \"QuibUSBFormat.htp\""});
    EXPECT_NE(transcript.find("control 1046 edit \"Push Start Button to Start Format.\""), std::string::npos)
        << transcript;
}

// Both dialogs switch the protection mode off when they end, whichever
// way: Close of the Format dialog, or Close of Format Execute (which ends
// the Format dialog too).
TEST_F(FormatDialog, ClosingSwitchesTheProtectionModeOff)
{
    std::string transcript = runFormatDialog("click 2\n");
    EXPECT_FALSE(protectionModeOn);
    EXPECT_EQ(commandsSent(modeSelectCode), 2u) << "on for the query, off on Close";

    testDriverReset();
    transcript = runFormatDialog("click 1\nanswer yes\nclick 2\n");
    EXPECT_NE(transcript.find("dialog close 133\ndialog close 128\n"), std::string::npos) << transcript;
    EXPECT_FALSE(protectionModeOn);
}

} // namespace
} // namespace format_test
