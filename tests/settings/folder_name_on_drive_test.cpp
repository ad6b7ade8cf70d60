// The Folder Setting dialog of the real program on the virtual drive: the
// setting applied with OK reaches the driver through the registry and the
// re-mount, and the Status dialog shows the new mount folder.
#include "format/quick_format.h"
#include "settings/driver_settings.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

ProgramOptions english() { return ProgramOptions{"", {"QUIB_LANGID=1033"}, "", 60}; }

const char* const settingsKey = "Drivers\\USB\\ClientDrivers\\USB_Quib_Driver";

// The line of control id in the transcript's dump, or "".
std::string controlLine(const std::string& transcript, int id)
{
    std::string start = "control " + std::to_string(id) + " ";
    std::size_t at = transcript.find(start);
    if (at == std::string::npos)
        return "";
    return transcript.substr(at, transcript.find('\n', at) - at);
}

// What quibdrive status says after "Mount folder:".
std::string mountFolder()
{
    ProgramRun run = runProgram(builtProgram("quibdrive"), {"status"});
    std::size_t at = run.output.find("Mount folder:");
    if (at == std::string::npos)
        return "no mount folder line: " + run.output + run.errors;
    at = run.output.find_first_not_of(' ', at + 13);
    return run.output.substr(at, run.output.find('\n', at) - at);
}

void ignoreProgress(void*, std::uint32_t, std::uint32_t) {}

TEST(FolderNameOnTheDrive, FixedWith5MountsTheDiskUnderStorageCard5)
{
    ProgramRun run =
        runScript("click 1026\nclick 1035\ntype 1044 5\nclick 1\nclick 1024\ndump\nkey escape\nclick 2\n", english());
    EXPECT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_EQ(run.output.find("message "), std::string::npos) << run.output;
    EXPECT_EQ(controlLine(run.output, 1045), "control 1045 edit \"Drive #1 : Folder Name = Storage Card5\" enabled")
        << run.output;
    EXPECT_EQ(mountFolder(), "Storage Card5");

    ProgramRun stored = runProgram(builtProgram("quibreg"), {"list", settingsKey});
    EXPECT_NE(stored.output.find("\"Fixed\" = 1 (type 4, 4 bytes)"), std::string::npos) << stored.output;
    EXPECT_NE(stored.output.find("\"FolderNum\" = 5 (type 4, 4 bytes)"), std::string::npos) << stored.output;
    EXPECT_NE(stored.output.find("\"Folder\" = \"Storage Card5\" (type 1, 28 bytes)"), std::string::npos)
        << stored.output;
}

TEST(FolderNameOnTheDrive, LinkedMountsTheDiskUnderItsVolumeLabel)
{
    // Set up as Automated with quibreg, the disk formatted with the label MYDISK.
    ASSERT_EQ(runProgram(builtProgram("quibreg"), {"set", settingsKey, "Fixed", "number", "0"}).exitCode, 0);
    ASSERT_EQ(runProgram(builtProgram("quibreg"), {"set", settingsKey, "FolderNum", "number", "3"}).exitCode, 0);
    // The transport loads "ZOVEVIV.DLL" by name, which then finds the built
    // virtual drive already loaded.
    ASSERT_NE(dlopen(QUIB_BIN_DIR "/ZOVEVIV.DLL", RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();
    const std::uint8_t label[11] = {'M', 'Y', 'D', 'I', 'S', 'K', ' ', ' ', ' ', ' ', ' '};
    ASSERT_TRUE(quickFormat(ProgressSink{ignoreProgress, nullptr}, 0, 100, label));

    ProgramRun run = runScript("click 1026\ndump\nclick 1036\nclick 1\nclick 1024\ndump\nkey escape\nclick 2\n",
                               english());
    EXPECT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_EQ(controlLine(run.output, 1034), "control 1034 radio \"Automated\" enabled checked") << run.output;
    EXPECT_EQ(controlLine(run.output, 1045), "control 1045 edit \"Drive #1 : Folder Name = MYDISK\" enabled")
        << run.output;
    EXPECT_EQ(controlLine(run.output, 1031), "control 1031 edit \"[MYDISK     ]\" enabled") << run.output;
    EXPECT_EQ(mountFolder(), "MYDISK");
}

} // namespace
