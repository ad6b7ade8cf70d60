// The Protect feature end to end: the real program on the virtual drive,
// driven through command 1025 of its menu, with quibdrive ejecting and
// inserting the disk. The test reaches the same drive through the program's
// own transport to see what a protection does to writes and to the label.
#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "format/quick_format.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

ProgramRun runTool(const std::string& script)
{
    ProgramOptions options;
    options.environment = {"QUIB_LANGID=1033"};
    return runScript(script, options);
}

ProgramRun quibdrive(const std::vector<std::string>& arguments)
{
    return runProgram(builtProgram("quibdrive"), arguments);
}

// The protection line of quibdrive status, e.g. "Protection:       3 (...)".
std::string drivesProtection()
{
    ProgramRun run = quibdrive({"status"});
    std::size_t at = run.output.find("Protection:");
    if (at == std::string::npos)
        return run.output + run.errors;
    return run.output.substr(at, run.output.find('\n', at) - at);
}

void ejectAndInsertAgain()
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
}

// A Simple Format's writing, done by the test itself on the drive.
bool writeFileSystem(const char* label11)
{
    ProgressSink sink{[](void*, std::uint32_t, std::uint32_t) {}, nullptr};
    std::uint8_t label[11];
    std::memcpy(label, label11, 11);
    return quickFormat(sink, 0, 100, label);
}

// The additional sense code the drive gave for its last failure.
std::uint8_t lastSenseCode()
{
    std::uint8_t sense[18] = {};
    EXPECT_TRUE(requestSense(driveIndex, sense, sizeof sense));
    return sense[12];
}

const std::string menuOpen = "dialog open 126 \"Quib! Tools\"\n";
const std::string menuEnd = "dialog close 126\nexit 1\n";
const std::string protectOpen = "dialog open 131 \"Protect Setting\"\n";
const std::string protectClose = "dialog close 131\n";
const std::string folderLine = "Drive #1 : Folder Name = Storage Card3";

// What "click 1024", "dump" and "key escape" show.
std::string statusDialog(const std::string& driveLine, const std::string& label, const std::string& state)
{
    return "dialog open 132 \"Status\"\n"
           "control 2 defbutton \"Close\" enabled focus\n"
           "control 65535 group \"Status\" enabled\n"
           "control 1045 edit \"" + driveLine + "\" enabled\n"
           "control 65535 static \"Volume Label :\" enabled\n"
           "control 1031 edit \"[" + label + "]\" enabled\n"
           "control 1021 edit \"" + state + "\" enabled\n"
           "dialog close 132\n";
}
const char* const showStatus = "click 1024\ndump\nkey escape\n";

// The buttons of the Protect Setting dialog in a dump, enabled by the
// five flags for 1016, 1019, 1017, 1018 and 1015; the focused button is the
// one Enter presses.
std::string protectButtons(const std::string& enabled, int focus)
{
    auto button = [&](int id, const char* caption, std::size_t i) {
        return "control " + std::to_string(id) + (focus == id ? " defbutton \"" : " button \"") + caption + "\"" +
               (enabled[i] == '1' ? " enabled" : " disabled") + (focus == id ? " focus\n" : "\n");
    };
    return "control 65535 group \"Protect switch\" enabled\n" + button(1016, "Write Protect", 0) +
           "control 65535 group \"Protect with Password\" enabled\n" + button(1019, "Write Protect", 1) +
           button(1017, "Read/Write Protect", 2) + "control 65535 group \"Remove Protecttion\" enabled\n" +
           button(1018, "Temporary Remove", 3) + button(1015, "Remove Protection", 4) +
           "control 65535 group \"Status\" enabled\n";
}

std::string protectDump(const std::string& driveLine, const std::string& state, const std::string& enabled,
                        int focus = 2)
{
    return protectButtons(enabled, focus) + "control 1042 edit \"" + driveLine + "\" enabled\n" +
           "control 1043 edit \"" + state + "\" enabled\n" + "control 2 " + (focus == 2 ? "defbutton" : "button") +
           " \"Close\" enabled" + (focus == 2 ? " focus\n" : "\n");
}

const std::string newPasswordTyped = "dialog open 130 \"New Password\"\n"
                                     "text 1027 \"********\"\n"
                                     "text 1022 \"********\"\n"
                                     "dialog close 130\n";
const std::string passwordTyped = "dialog open 129 \"Password\"\n"
                                  "text 1027 \"********\"\n"
                                  "dialog close 129\n";

TEST(ProtectOnTheDrive, PasswordWriteProtectionRefusesWritesUntilTheRightPasswordRemovesIt)
{
    // The menu shows no Protect button; command 1025 reaches the feature all the same.
    ProgramRun run = runTool("dump\ncommand 1025\ndump\nclick 1019\nanswer yes\n"
                             "type 1027 Quib2024\ntype 1022 Quib2024\nclick 1\nanswer ok\n" +
                             std::string(showStatus) + "click 2\n");
    EXPECT_EQ(run.output,
              menuOpen +
                  "control 65535 group \"Tool Menu\" enabled\n"
                  "control 1024 button \"Status\" enabled\n"
                  "control 1023 button \"Format\" enabled\n"
                  "control 1026 button \"Folder Name\" enabled\n"
                  "control 2 defbutton \"Close\" enabled focus\n"
                  "control 65535 bitmap \"121\" enabled\n" +
                  protectOpen + protectDump(folderLine, "No Error.", "11100") +
                  "message 0x34 \"Warning\" \"Write Protect with Password CAUTION: If you forget your password, you "
                  "will need to copy this disk to another disk before you can change the data.\"\n"
                  "answer yes\n" +
                  newPasswordTyped +
                  "message 0x00 \"Write Protect\" \"This Disk is Write Protected with Password.\"\nanswer ok\n" +
                  protectClose + statusDialog(folderLine, "", "Disk is Write Protected with Password.") + menuEnd)
        << run.errors;
    EXPECT_EQ(drivesProtection().substr(0, 19), "Protection:       3") << drivesProtection();

    // A Simple Format's first write is refused with the write-protect answer,
    // and nothing reached the disk.
    EXPECT_FALSE(writeFileSystem("NEW LABEL  "));
    EXPECT_EQ(lastSenseCode(), 0x27);
    std::uint8_t sector[512];
    ASSERT_TRUE(readBlock(driveIndex, sector, 0));
    EXPECT_EQ(sector[510], 0) << "sector 0 was written";

    // Passwords are case sensitive: the wrong case fails and the dialog
    // stays; the right one removes the protection.
    run = runTool("command 1025\nclick 1015\ntype 1027 quib2024\nclick 1\nanswer ok\ndump\n"
                  "click 1015\ntype 1027 Quib2024\nclick 1\nanswer ok\n" +
                  std::string(showStatus) + "click 2\n");
    EXPECT_EQ(run.output, menuOpen + protectOpen + passwordTyped +
                              "message 0x10 \"Unprotect\" \"Unprotedt Fail.\"\nanswer ok\n" +
                              protectDump(folderLine, "Disk is Write Protected with Password.", "00011", 1015) +
                              passwordTyped + "message 0x00 \"Unprotect\" \"Unprotect Successful.\"\nanswer ok\n" +
                              protectClose + statusDialog(folderLine, "", "No Error.") + menuEnd)
        << run.errors;
    EXPECT_EQ(drivesProtection().substr(0, 19), "Protection:       0") << drivesProtection();
    EXPECT_TRUE(writeFileSystem("NEW LABEL  "));
}

TEST(ProtectOnTheDrive, ReadWriteProtectionHidesTheLabelWhileItHolds)
{
    ASSERT_TRUE(writeFileSystem("QUIB DISK  "));
    ProgramRun run = runTool(std::string(showStatus) +
                             "command 1025\nclick 1017\nanswer yes\ntype 1027 Pa55word\ntype 1022 Pa55word\n"
                             "click 1\nanswer ok\n" +
                             showStatus + "click 2\n");
    // The disk was mounted before start-up wrote the folder settings, so it
    // shows the default folder until the protection mounts it again; mounted
    // as unreadable, it has no folder at all.
    EXPECT_EQ(run.output,
              menuOpen + statusDialog("Drive #1 : Folder Name = Storage Card", "QUIB DISK  ", "No Error.") +
                  protectOpen +
                  "message 0x34 \"Warning\" \"Read/Write Protect with Password CAUTION: If you forget your "
                  "password, the data on this disk can NEVER be recovered, The disk can only be reformatted, "
                  "erasing ALL data.\"\n"
                  "answer yes\n" +
                  newPasswordTyped +
                  "message 0x00 \"Read/Write Protect\" \"This Disk is Read/Write Protected with Password.\"\n"
                  "answer ok\n" +
                  protectClose + statusDialog("Drive #1 : ", "", "Disk is Read/Write Protected with Password.") +
                  menuEnd)
        << run.errors;
    std::uint8_t sector[512];
    EXPECT_FALSE(readBlock(driveIndex, sector, 0));

    // Lifted until eject, the label reads again; the next insert brings the protection back.
    run = runTool("command 1025\nclick 1018\ntype 1027 Pa55word\nclick 1\nanswer ok\n" + std::string(showStatus) +
                  "click 2\n");
    EXPECT_EQ(run.output,
              menuOpen + protectOpen + passwordTyped +
                  "message 0x00 \"Unprotect until Eject.\" \"This Disk is Temporary Unprotected until Eject.\"\n"
                  "answer ok\n" +
                  protectClose +
                  statusDialog(folderLine, "QUIB DISK  ",
                               "Temporary Unprotected on Read/Write Protected with Password Disk until Eject.") +
                  menuEnd)
        << run.errors;
    ejectAndInsertAgain();
    run = runTool(std::string(showStatus) + "click 2\n");
    EXPECT_EQ(run.output,
              menuOpen + statusDialog("Drive #1 : ", "", "Disk is Read/Write Protected with Password.") + menuEnd)
        << run.errors;
    EXPECT_EQ(run.output.find("Pa55word"), std::string::npos);
}

TEST(ProtectOnTheDrive, TemporaryRemoveLastsUntilTheDiskIsEjected)
{
    ProgramRun run = runTool("command 1025\nclick 1016\nanswer ok\ncommand 1025\ndump\nclick 1018\nanswer ok\n" +
                             std::string(showStatus) + "click 2\n");
    EXPECT_EQ(run.output,
              menuOpen + protectOpen + "message 0x00 \"Write Protect\" \"This Disk is Write Protected.\"\nanswer ok\n" +
                  protectClose + protectOpen + protectDump(folderLine, "Disk is Write Protected.", "01111") +
                  "message 0x00 \"Unprotect until Eject.\" \"This Disk is Temporary Unprotected until Eject.\"\n"
                  "answer ok\n" +
                  protectClose +
                  statusDialog(folderLine, "", "Temporary Unprotected on Write Protected Disk until Eject.") +
                  menuEnd)
        << run.errors;
    EXPECT_TRUE(writeFileSystem("LIFTED     "));

    ejectAndInsertAgain();
    run = runTool(std::string(showStatus) + "command 1025\ndump\nclick 2\nclick 2\n");
    EXPECT_EQ(run.output, menuOpen + statusDialog(folderLine, "LIFTED     ", "Disk is Write Protected.") +
                              protectOpen + protectDump(folderLine, "Disk is Write Protected.", "01111") +
                              protectClose + menuEnd)
        << run.errors;
    EXPECT_FALSE(writeFileSystem("AGAIN      "));
    EXPECT_EQ(lastSenseCode(), 0x27);
}

} // namespace
