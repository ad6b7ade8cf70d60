// The host's Protect menu: with --protect, or the file protect-menu in the
// host folder, the real program on the virtual drive opens the menus with
// the Protect button and reaches Protect Setting from it; without either,
// the menu stays as the program defines it.
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

ProgramRun runTool(const std::vector<std::string>& arguments, const std::string& script, const char* languageId)
{
    ProgramOptions options;
    options.environment = {std::string("QUIB_LANGID=") + languageId};
    options.input = script;
    std::vector<std::string> all = arguments;
    all.insert(all.end(), {"--script", "-"});
    return runProgram(builtProgram("quibtools"), all, options);
}

std::string drivesProtection()
{
    ProgramRun run = runProgram(builtProgram("quibdrive"), {"status"});
    std::size_t at = run.output.find("Protection:");
    if (at == std::string::npos)
        return run.output + run.errors;
    return run.output.substr(at, run.output.find('\n', at) - at);
}

struct LanguageCase {
    const char* languageId;
    const char* menuId;
    const char* protectButton;
    const char* protectDialog;
    const char* writeProtected;   // the message after the switch's Write Protect
    friend void PrintTo(const LanguageCase& c, std::ostream* os) { *os << c.languageId; }
};

class ProtectMenu : public testing::TestWithParam<LanguageCase> {};

// From the menu's Protect button to Protect Setting, a write protection
// there, and back to the menu, which closes as always.
TEST_P(ProtectMenu, ReachesProtectSettingAndComesBack)
{
    const LanguageCase& c = GetParam();
    ProgramRun run = runTool({"--protect"}, "dump\nclick 1025\nclick 1016\nanswer ok\nkey escape\nclick 2\n", c.languageId);
    std::string menuId = c.menuId;
    EXPECT_EQ(run.output.substr(0, run.output.find('\n') + 1), "dialog open " + menuId + " \"Quib! Tools\"\n");
    EXPECT_NE(run.output.find(std::string("control 1025 button \"") + c.protectButton + "\" enabled\n"),
              std::string::npos)
        << run.output;
    std::size_t opened = run.output.find(c.protectDialog);
    std::size_t message = run.output.find(c.writeProtected);
    ASSERT_NE(opened, std::string::npos) << run.output;
    ASSERT_NE(message, std::string::npos) << run.output;
    EXPECT_LT(opened, message);
    EXPECT_NE(run.output.find("answer ok\ndialog close "), std::string::npos) << run.output;
    std::string ending = "dialog close " + menuId + "\nexit 1\n";
    EXPECT_TRUE(run.output.size() > ending.size() &&
                run.output.compare(run.output.size() - ending.size(), ending.size(), ending) == 0)
        << run.output;
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(drivesProtection().substr(0, 19), "Protection:       2") << drivesProtection();
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ProtectMenu,
    testing::Values(LanguageCase{"1033", "134", "Protect", "dialog open 131 \"Protect Setting\"\n",
                                 "message 0x00 \"Write Protect\" \"This Disk is Write Protected.\"\n"},
                    LanguageCase{"1041", "135", "プロテクト", "dialog open 112 \"プロテクトの設定・解除\"\n",
                                 "message 0x00 \"ライトプロテクト\" \"ライトプロテクトが設定されました。\"\n"}),
    [](const testing::TestParamInfo<LanguageCase>& info) {
        return std::string(std::string(info.param.languageId) == "1033" ? "English" : "Japanese");
    });

// With the Protect menu, English Format Execute is the one with the
// progress bar.
TEST(ProtectMenuFormat, EnglishFormatExecuteShowsAProgressBar)
{
    ProgramRun run = runTool({"--protect"}, "click 1023\nclick 1\nanswer yes\ndump\nclick 2\nclick 2\nclick 2\n", "1033");
    EXPECT_NE(run.output.find("dialog open 124 \"Format Execute\"\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("control 1030 progress \"0\" enabled\n"), std::string::npos) << run.output;
}

TEST(ProtectMenuSetting, TheFileInTheHostFolderTurnsItOnAndItsAbsenceOff)
{
    ProgramRun without = runTool({}, "click 2\n", "1033");
    EXPECT_EQ(without.output, "dialog open 126 \"Quib! Tools\"\ndialog close 126\nexit 1\n") << without.errors;

    std::ofstream(testHostFolder() + "/protect-menu").close();
    ProgramRun with = runTool({}, "click 2\n", "1041");
    EXPECT_EQ(with.output, "dialog open 135 \"Quib! Tools\"\ndialog close 135\nexit 1\n") << with.errors;
}

} // namespace
