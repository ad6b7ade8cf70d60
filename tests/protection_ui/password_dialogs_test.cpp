// The Password and New Password dialogs through the script front end: what
// they leave in PasswordBuffer, their messages for empty and differing
// entries, the 32-character limit, help that does nothing, and passwords
// that never show in the transcript.
#include "tests/protection_ui/protect_fixture.h"

#include "dialogs/dialog_window.h"

namespace protect_test {
namespace {

std::string runDialog(void (*opener)(DialogHandle), const std::string& script)
{
    ScriptSession<> session(script);
    opener(nullptr);
    return session.transcript();
}

const std::string passwordOpen = "dialog open 129 \"Password\"\n";
const std::string passwordClose = "dialog close 129\n";
const std::string newPasswordOpen = "dialog open 130 \"New Password\"\n";
const std::string newPasswordClose = "dialog close 130\n";

const std::string noPassword = "message 0x30 \"Input Password\" \"No Password found.\"\nanswer ok\n";
const std::string mismatch = "message 0x30 \"Input Password\" \"Two Passwords are not much.\"\nanswer ok\n";

std::string stars(std::size_t n) { return std::string(n, '*'); }

std::string typed(int id, std::size_t n) { return "text " + std::to_string(id) + " \"" + stars(n) + "\"\n"; }

class PasswordDialogs : public ProtectTest {};

TEST_F(PasswordDialogs, PasswordDialogOpensEmptyWithTheFocusOnTheField)
{
    EXPECT_EQ(runDialog(askPassword, "dump\nkey escape\n"),
              passwordOpen +
                  "control 65535 static \"Password:\" enabled\n"
                  "control 1027 password \"\" enabled focus\n"
                  "control 1 defbutton \"OK\" enabled\n"
                  "control 2 button \"Cancel\" enabled\n"
                  "control 65535 group \"\" enabled\n"
                  "control 65535 static \"Please type password to remove protect.\\r\\nPassword entry is CASE "
                  "sensitive. The way you enter the password (upper or lower case) is the way it must be entered "
                  "each way.\" enabled\n" +
                  passwordClose);
    EXPECT_EQ(passwordAnswer(), u"");
}

TEST_F(PasswordDialogs, PasswordDialogRefusesAnEmptyEntryAndStays)
{
    EXPECT_EQ(runDialog(askPassword, "click 1\nanswer ok\ndump\ntype 1027 aB3\nkey enter\n"),
              passwordOpen + noPassword +
                  "control 65535 static \"Password:\" enabled\n"
                  "control 1027 password \"\" enabled focus\n"
                  "control 1 defbutton \"OK\" enabled\n"
                  "control 2 button \"Cancel\" enabled\n"
                  "control 65535 group \"\" enabled\n"
                  "control 65535 static \"Please type password to remove protect.\\r\\nPassword entry is CASE "
                  "sensitive. The way you enter the password (upper or lower case) is the way it must be entered "
                  "each way.\" enabled\n" +
                  typed(1027, 3) + passwordClose);
    EXPECT_EQ(passwordAnswer(), u"aB3");
    EXPECT_EQ(testDriverRequestCount(), 0u) << "the dialogs never talk to the drive";
}

TEST_F(PasswordDialogs, NewPasswordDialogOpensWithBothFieldsEmpty)
{
    EXPECT_EQ(runDialog(askNewPassword, "dump\nclick 2\n"),
              newPasswordOpen +
                  "control 65535 static \"Password:\" enabled\n"
                  "control 1027 password \"\" enabled focus\n"
                  "control 65535 static \"Password(Verify):\" enabled\n"
                  "control 1022 password \"\" enabled\n"
                  "control 1 defbutton \"OK\" enabled\n"
                  "control 2 button \"Cancel\" enabled\n"
                  "control 65535 group \"\" enabled\n"
                  "control 65535 static \"Password entry is CASE sensitive. The way you enter the password (upper "
                  "or lower case) is the way it must be entered each way.\" enabled\n" +
                  newPasswordClose);
    EXPECT_EQ(passwordAnswer(), u"");
}

// What the two fields hold when OK is pressed, and what comes of it.
struct EntryCase {
    const char* name;
    std::string first;
    std::string verify;
    std::string message;        // empty when the dialog accepts the entries
    std::u16string accepted;    // the answer then
    friend void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }
};

class NewPasswordEntries : public PasswordDialogs, public testing::WithParamInterface<EntryCase> {};

TEST_P(NewPasswordEntries, AreComparedBeforeTheyAreCheckedForEmptiness)
{
    const EntryCase& c = GetParam();
    std::string script;
    std::string shown = newPasswordOpen;
    if (!c.first.empty()) {
        script += "type 1027 " + c.first + "\n";
        shown += typed(1027, c.first.size());
    }
    if (!c.verify.empty()) {
        script += "type 1022 " + c.verify + "\n";
        shown += typed(1022, c.verify.size());
    }
    script += "click 1\n";
    if (!c.message.empty()) {
        // Refused: both fields emptied, the focus on the first; then Cancel.
        script += "answer ok\ndump\nclick 2\n";
        shown += c.message;
        if (!c.first.empty())
            shown += "text 1027 \"\"\n";
        if (!c.verify.empty())
            shown += "text 1022 \"\"\n";
        shown += "control 65535 static \"Password:\" enabled\n"
                 "control 1027 password \"\" enabled focus\n"
                 "control 65535 static \"Password(Verify):\" enabled\n"
                 "control 1022 password \"\" enabled\n"
                 "control 1 defbutton \"OK\" enabled\n"
                 "control 2 button \"Cancel\" enabled\n"
                 "control 65535 group \"\" enabled\n"
                 "control 65535 static \"Password entry is CASE sensitive. The way you enter the password (upper "
                 "or lower case) is the way it must be entered each way.\" enabled\n";
    }
    shown += newPasswordClose;
    EXPECT_EQ(runDialog(askNewPassword, script), shown);
    // Cancel empties the answer whatever the first field held.
    EXPECT_EQ(passwordAnswer(), c.message.empty() ? c.accepted : u"");
}

const std::string letters32 = "abcdefghijklmnopqrstuvwxyzABCDEF";

INSTANTIATE_TEST_SUITE_P(
    Entries, NewPasswordEntries,
    testing::Values(EntryCase{"SameEntries", "Quib2024", "Quib2024", "", u"Quib2024"},
                    EntryCase{"DifferentEntries", "Quib2024", "Quib2025", mismatch, u""},
                    EntryCase{"SameTextInDifferentCase", "Secret", "secret", mismatch, u""},
                    EntryCase{"SecondEntryEmpty", "Secret", "", mismatch, u""},
                    EntryCase{"FirstEntryEmpty", "", "Secret", mismatch, u""},
                    EntryCase{"BothEntriesEmpty", "", "", noPassword, u""},
                    // Only the first 32 characters of each field are taken and compared.
                    EntryCase{"SameFirst32Characters", letters32 + "tail1", letters32 + "other2", "",
                              u"abcdefghijklmnopqrstuvwxyzABCDEF"},
                    EntryCase{"DifferWithin32Characters", letters32.substr(0, 31) + "X" + "tail",
                              letters32 + "tail", mismatch, u""},
                    EntryCase{"Exactly32Characters", letters32, letters32, "",
                              u"abcdefghijklmnopqrstuvwxyzABCDEF"}),
    [](const testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST_F(PasswordDialogs, PasswordDialogTakesTheFirst32Characters)
{
    EXPECT_EQ(runDialog(askPassword, "type 1027 " + letters32 + "0123456789\nclick 1\n"),
              passwordOpen + typed(1027, 42) + passwordClose);
    EXPECT_EQ(passwordAnswer(), u"abcdefghijklmnopqrstuvwxyzABCDEF");
}

TEST_F(PasswordDialogs, PasswordDialogTakesTheTextAsTyped)
{
    runDialog(askPassword, "type 1027  Mixed Case 1 \nclick 1\n");
    EXPECT_EQ(passwordAnswer(), u" Mixed Case 1 ");
}

class CancelAfterAnError : public PasswordDialogs, public testing::WithParamInterface<const char*> {};

// The first field's text reached the buffer when OK was pressed; Cancel
// (button or Escape) leaves the answer empty all the same.
TEST_P(CancelAfterAnError, LeavesAnEmptyAnswer)
{
    EXPECT_EQ(runDialog(askNewPassword, std::string("type 1027 abc\ntype 1022 abd\nclick 1\nanswer ok\n") + GetParam()),
              newPasswordOpen + typed(1027, 3) + typed(1022, 3) + mismatch + "text 1027 \"\"\ntext 1022 \"\"\n" +
                  newPasswordClose);
    EXPECT_EQ(PasswordBuffer[0], u'\0');
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelAfterAnError, testing::Values("click 2\n", "key escape\n", "command 2\n"));

// Neither dialog has a help topic: a help request starts nothing and the
// dialog stays open.
TEST_F(PasswordDialogs, HelpRequestDoesNothing)
{
    std::string shown = runDialog(askPassword, "key f1\ntype 1027 x\nclick 1\n");
    EXPECT_EQ(shown, passwordOpen + typed(1027, 1) + passwordClose);
    shown = runDialog(askNewPassword, "key f1\ntype 1027 x\ntype 1022 x\nkey enter\n");
    EXPECT_EQ(shown, newPasswordOpen + typed(1027, 1) + typed(1022, 1) + newPasswordClose);
    EXPECT_EQ(passwordAnswer(), u"x");
}

// Sends a help request and button commands with a notification code, as
// other controls would, before the script's first action.
class DirectMessages : public ScriptFrontEnd {
public:
    using ScriptFrontEnd::ScriptFrontEnd;
    void nextAction(DialogHandle active, UserAction* action) override
    {
        if (!sent_) {
            sent_ = true;
            handled.push_back(sendDialogMessage(active, messageHelp, 0, 0));
            for (std::uintptr_t id : {1u, 2u})
                handled.push_back(sendDialogMessage(active, messageCommand, id | 0x300u << 16, 0));
        }
        ScriptFrontEnd::nextAction(active, action);
    }
    std::vector<bool> handled;

private:
    bool sent_ = false;
};

TEST_F(PasswordDialogs, HelpAndNotificationsAreNotHandled)
{
    for (void (*opener)(DialogHandle) : {askPassword, askNewPassword}) {
        ScriptSession<DirectMessages> session("click 2\n");
        opener(nullptr);
        EXPECT_EQ(session.frontEnd().handled, std::vector<bool>(3, false));
        EXPECT_EQ(session.transcript().find("help "), std::string::npos);
    }
}

TEST_F(PasswordDialogs, JapaneseTemplatesAndMessages)
{
    useLanguage(1041);
    EXPECT_EQ(runDialog(askNewPassword, "type 1027 a\nclick 1\nanswer ok\nclick 1\nanswer ok\nclick 2\n"),
              "dialog open 114 \"パスワードの入力\"\n" + typed(1027, 1) +
                  "message 0x30 \"パスワード入力\" \"２つのパスワードが異なっています。\"\nanswer ok\n"
                  "text 1027 \"\"\n"
                  "message 0x30 \"パスワード入力\" \"パスワードが入力されていません。\"\nanswer ok\n"
                  "dialog close 114\n");
    EXPECT_EQ(runDialog(askPassword, "dump\nclick 2\n"),
              "dialog open 115 \"パスワードの入力\"\n"
              "control 65535 static \"パスワード：\" enabled\n"
              "control 1027 password \"\" enabled focus\n"
              "control 1 defbutton \"OK\" enabled\n"
              "control 2 button \"ｷｬﾝｾﾙ\" enabled\n"
              "control 65535 group \"\" enabled\n"
              "control 65535 static \"プロテクトしたときと同じパスワードを入力してください。\\r\\n"
              "パスワードを忘れてしまった場合，ベリファイつきフォーマットにより，データごとプロテクトを消去することになります。\" "
              "enabled\n"
              "dialog close 115\n");
}

// The transcript shows one '*' per typed character, in text lines and in
// dump, and never the password, not even from a line that is no action.
TEST_F(PasswordDialogs, TypedPasswordsNeverShowInTheTranscript)
{
    std::string overLong = "type 1027 " + std::string(1100, 'p') + "TailOfTheSecret\n";
    std::string shown = runDialog(askNewPassword, "type 1027 Pässword€\n"
                                                  "type 1022 Pässword€\n"
                                                  "dump\n"
                                                  "type 1O27 Pässword€\n"
                                                  "type 99999 Pässword€\n"
                                                  "Type\t1027 Pässword€\n" +
                                                      overLong + "click 2\n");
    EXPECT_EQ(shown.find("Pässword"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Tail"), std::string::npos) << shown;
    EXPECT_EQ(shown, newPasswordOpen + typed(1027, 9) + typed(1022, 9) +
                         "control 65535 static \"Password:\" enabled\n"
                         "control 1027 password \"*********\" enabled\n"
                         "control 65535 static \"Password(Verify):\" enabled\n"
                         "control 1022 password \"*********\" enabled focus\n"
                         "control 1 defbutton \"OK\" enabled\n"
                         "control 2 button \"Cancel\" enabled\n"
                         "control 65535 group \"\" enabled\n"
                         "control 65535 static \"Password entry is CASE sensitive. The way you enter the password "
                         "(upper or lower case) is the way it must be entered each way.\" enabled\n"
                         "refused \"type\" \"not an action\"\n"
                         "refused \"type\" \"not an action\"\n"
                         "refused \"Type\" \"not an action\"\n"
                         // The first part of the over-long line is typed, as much as the field takes.
                         + typed(1027, 255) + newPasswordClose);
}

TEST_F(PasswordDialogs, CharactersBeyondTheBasicPlaneCountAsOneStar)
{
    EXPECT_EQ(runDialog(askPassword, "type 1027 a😀b\nkey escape\n"), passwordOpen + typed(1027, 3) + passwordClose);
}

} // namespace
} // namespace protect_test
