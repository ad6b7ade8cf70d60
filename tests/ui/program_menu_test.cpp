// The real program on the virtual drive, through quibtools --script: the
// menu and the Status dialog walked in both languages, the drive check
// before Format, and a script that runs out while the menu waits.
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ProgramOptions inLanguage(const char* languageId)
{
    ProgramOptions options;
    options.environment = {std::string("QUIB_LANGID=") + languageId};
    return options;
}

TEST(ProgramMenu, CloseEndsTheProgramWithExitCode1)
{
    ProgramRun run = runScript("click 2\n", inLanguage("1033"));
    EXPECT_EQ(run.output, "dialog open 126 \"Quib! Tools\"\ndialog close 126\nexit 1\n") << run.errors;
    EXPECT_EQ(run.exitCode, 1);
}

TEST(ProgramMenu, EscapeEndsTheProgramLikeClose)
{
    ProgramRun run = runScript("key escape\n", inLanguage("1041"));
    EXPECT_EQ(run.output, "dialog open 113 \"Quib! Tools\"\ndialog close 113\nexit 1\n") << run.errors;
    EXPECT_EQ(run.exitCode, 1);
}

TEST(ProgramMenu, ScriptThatRunsOutWhileTheMenuWaitsStalls)
{
    ProgramRun run = runScript("key tab\n", inLanguage("1033"));
    EXPECT_EQ(run.output, "dialog open 126 \"Quib! Tools\"\nstalled\n");
    EXPECT_EQ(run.exitCode, 3);
}

// A first run finds a plugged drive with a blank disk: no label, not
// protected, mounted under the folder the driver settings name.
TEST(ProgramMenu, WalksTheStatusDialogInEnglish)
{
    ProgramRun run = runScript("click 1024\ndump\nkey enter\nclick 2\n", inLanguage("1033"));
    EXPECT_EQ(run.output, "dialog open 126 \"Quib! Tools\"\n"
                          "dialog open 132 \"Status\"\n"
                          "control 2 defbutton \"Close\" enabled focus\n"
                          "control 65535 group \"Status\" enabled\n"
                          "control 1045 edit \"Drive #1 : Folder Name = Storage Card3\" enabled\n"
                          "control 65535 static \"Volume Label :\" enabled\n"
                          "control 1031 edit \"[]\" enabled\n"
                          "control 1021 edit \"No Error.\" enabled\n"
                          "dialog close 132\n"
                          "dialog close 126\n"
                          "exit 1\n")
        << run.errors;
}

TEST(ProgramMenu, WalksTheStatusDialogInJapanese)
{
    ProgramRun run = runScript("click 1024\ndump\nkey f1\nkey escape\nclick 2\n", inLanguage("1041"));
    EXPECT_EQ(run.output, "dialog open 113 \"Quib! Tools\"\n"
                          "dialog open 118 \"ステータス\"\n"
                          "control 2 defbutton \"閉じる\" enabled focus\n"
                          "control 65535 group \"ステータス\" enabled\n"
                          "control 1045 edit \"Drive #1 : フォルダ名 = ﾒﾓﾘ ｶｰﾄﾞ3\" enabled\n"
                          "control 65535 static \"ボリュームラベル：\" enabled\n"
                          "control 1031 edit \"[]\" enabled\n"
                          "control 1021 edit \"通常\" enabled\n"
                          "help \"PegHelp.exe\" \"QuibUSBStatus.htp\"\n"
                          "dialog close 118\n"
                          "dialog close 113\n"
                          "exit 1\n")
        << run.errors;
}

TEST(ProgramMenu, FormatWithTheDiskEjectedSaysSoAndTheMenuStays)
{
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"eject"}).exitCode, 0);
    ProgramRun run = runScript("click 1023\nanswer ok\nclick 1024\ndump\nkey escape\nclick 2\n", inLanguage("1033"));
    EXPECT_EQ(run.output, "dialog open 126 \"Quib! Tools\"\n"
                          "message 0x10 \"Error\" \"No Quib! Disk.\"\n"
                          "answer ok\n"
                          "dialog open 132 \"Status\"\n"
                          "control 2 defbutton \"Close\" enabled focus\n"
                          "control 65535 group \"Status\" enabled\n"
                          "control 1045 edit \"Drive #1 : \" enabled\n"
                          "control 65535 static \"Volume Label :\" enabled\n"
                          "control 1031 edit \"[]\" enabled\n"
                          "control 1021 edit \"No Quib! Disk.\" enabled\n"
                          "dialog close 132\n"
                          "dialog close 126\n"
                          "exit 1\n")
        << run.errors;
}

} // namespace
