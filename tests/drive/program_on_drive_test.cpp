// The program on the virtual drive, through the script front end: start-up
// finds the drive, or asks whether to go on without it.
#include "tests/drive/drive_client.h"

#include <gtest/gtest.h>

namespace {

ProgramOptions english() { return ProgramOptions{"", {"QUIB_LANGID=1033"}, "", 60}; }

TEST(ProgramOnTheDrive, APluggedDriveRaisesNoStartUpQuestion)
{
    ProgramRun run = runScript("click 2\n", english());
    EXPECT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_EQ(run.output.find("message "), std::string::npos) << run.output;
    ASSERT_GE(run.output.size(), 7u);
    EXPECT_EQ(run.output.substr(run.output.size() - 7), "exit 1\n") << run.output;
}

TEST(ProgramOnTheDrive, AnUnpluggedDriveRaisesTheStartUpQuestion)
{
    ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0);
    ProgramRun run = runScript("answer no\n", english());
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output,
              "message 0x24 \"No Drive is Connected.\" \"No Drive is Connected. Do you want to continue ?\"\n"
              "answer no\n"
              "exit 0\n");
}

} // namespace
