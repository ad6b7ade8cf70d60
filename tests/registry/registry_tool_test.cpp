// The registry as a person sees it: quibreg, and what a start of the tool
// leaves behind.
#include "tests/registry/store_files.h"
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string settingsKey = "Drivers\\USB\\ClientDrivers\\USB_Quib_Driver";
const std::string loadKey = "Drivers\\USB\\LoadClients\\Default\\Default\\8_6_80\\USB_Quib_Driver";

ProgramRun quibreg(const std::vector<std::string>& arguments) { return runProgram(builtProgram("quibreg"), arguments); }

// The tool, started from a folder of its own that holds no driver library,
// so that no drive answers whatever build/bin holds.
ProgramRun startWithoutDrive(const std::string& script, const std::string& languageId)
{
    std::string folder = testHostFolder() + "/program";
    fs::create_directories(folder);
    std::string program = folder + "/quibtools";
    if (!fs::exists(program))
        fs::copy_file(builtProgram("quibtools"), program);
    ProgramOptions options;
    options.programPath = program;
    options.environment = {"QUIB_LANGID=" + languageId};
    return runScript(script, options);
}

struct FirstStart {
    const char* name;
    const char* languageId;
    const char* folderLine;
};

class ToolStart : public testing::TestWithParam<FirstStart> {};

TEST_P(ToolStart, FirstStartLeavesTheDefaultsAndASecondChangesNothing)
{
    ProgramRun run = startWithoutDrive("answer no\n", GetParam().languageId);
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("message 0x24"), std::string::npos) << run.output;

    ProgramRun settings = quibreg({"list", settingsKey});
    EXPECT_EQ(settings.exitCode, 0) << settings.errors;
    EXPECT_EQ(settings.output, "HKEY_LOCAL_MACHINE\\" + settingsKey + "\n" +
                                   "  value  \"Fixed\" = 1 (type 4, 4 bytes)\n"
                                   "  value  \"FolderNum\" = 3 (type 4, 4 bytes)\n" +
                                   GetParam().folderLine);
    ProgramRun load = quibreg({"list", "HKLM\\" + loadKey});
    EXPECT_EQ(load.exitCode, 0) << load.errors;
    EXPECT_EQ(load.output, "HKEY_LOCAL_MACHINE\\" + loadKey + "\n" +
                               "  value  \"DLL\" = \"zoveviv.dll\" (type 1, 24 bytes)\n");

    std::string first = fileBytes(registryFile());
    run = startWithoutDrive("answer no\n", GetParam().languageId);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(fileBytes(registryFile()), first);
}

const FirstStart firstStarts[] = {
    {"English", "1033", "  value  \"Folder\" = \"Storage Card3\" (type 1, 28 bytes)\n"},
    {"Japanese", "1041", "  value  \"Folder\" = \"ﾒﾓﾘ ｶｰﾄﾞ3\" (type 1, 20 bytes)\n"},
};

INSTANTIATE_TEST_SUITE_P(Languages, ToolStart, testing::ValuesIn(firstStarts),
                         [](const testing::TestParamInfo<FirstStart>& info) { return info.param.name; });

TEST(ToolStartDamaged, ProgramStillStartsAndQuibregSaysWhereTheFileIs)
{
    std::string bytes = damagedStore("TruncatedToHalf");
    writeFile(registryFile(), bytes);
    ProgramRun run = startWithoutDrive("answer no\n", "1033");
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("message 0x24"), std::string::npos) << run.output;
    EXPECT_EQ(fileBytes(registryFile()), bytes);

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"list", settingsKey}, {"set", settingsKey, "Fixed", "number", "1"},
          {"export", "HKLM"}}) {
        ProgramRun r = quibreg(arguments);
        EXPECT_EQ(r.exitCode, 1) << arguments[0];
        EXPECT_NE(r.errors.find("damaged"), std::string::npos) << r.errors;
        EXPECT_NE(r.errors.find(registryFile()), std::string::npos) << r.errors;
    }
    EXPECT_EQ(fileBytes(registryFile()), bytes);
    for (const std::string& name : folderEntries(testHostFolder()))
        EXPECT_TRUE(name.rfind("registry", 0) != 0 || name == "registry.db") << name; // no journal beside it
}

TEST(Quibreg, SetListDeleteAndExport)
{
    // What the folder dialog's edge cases assume, set up by hand.
    ProgramRun r = quibreg({"set", settingsKey, "FolderNum", "number", "12"});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(quibreg({"set", "HKLM\\" + settingsKey, "Fixed", "string", "1"}).exitCode, 0);
    EXPECT_EQ(quibreg({"set", "hkey_local_machine\\drivers\\usb\\clientdrivers\\usb_quib_driver", "FOLDER", "string",
                       "ﾒﾓﾘ ｶｰﾄﾞ\"5\\"})
                  .exitCode,
              0);
    EXPECT_EQ(quibreg({"set", settingsKey, "Mask", "number", "0xFFFFFFFF"}).exitCode, 0);

    r = quibreg({"list", settingsKey});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, "HKEY_LOCAL_MACHINE\\" + settingsKey + "\n" +
                            "  value  \"FolderNum\" = 12 (type 4, 4 bytes)\n"
                            "  value  \"Fixed\" = \"1\" (type 1, 4 bytes)\n"
                            "  value  \"FOLDER\" = \"ﾒﾓﾘ ｶｰﾄﾞ\\\"5\\\\\" (type 1, 24 bytes)\n"
                            "  value  \"Mask\" = 4294967295 (type 4, 4 bytes)\n");
    r = quibreg({"list", "drivers\\usb"});
    EXPECT_EQ(r.output, "HKEY_LOCAL_MACHINE\\drivers\\usb\n  key    ClientDrivers\n");
    r = quibreg({"list", settingsKey, "foldernum"});
    EXPECT_EQ(r.output, "HKEY_LOCAL_MACHINE\\" + settingsKey + "\n" + "  value  \"FolderNum\" = 12 (type 4, 4 bytes)\n");

    r = quibreg({"export", "HKLM\\Drivers\\USB"});
    EXPECT_EQ(r.exitCode, 0);
    const std::string exported = "Windows Registry Editor Version 5.00\n"
                                 "\n[HKEY_LOCAL_MACHINE\\Drivers\\USB]\n"
                                 "\n[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers]\n"
                                 "\n[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\USB_Quib_Driver]\n"
                                 "\"FolderNum\"=dword:0000000c\n"
                                 "\"Fixed\"=\"1\"\n"
                                 "\"FOLDER\"=\"ﾒﾓﾘ ｶｰﾄﾞ\\\"5\\\\\"\n"
                                 "\"Mask\"=dword:ffffffff\n";
    EXPECT_EQ(r.output, exported);
    std::string file = testHostFolder() + "/usb.reg";
    EXPECT_EQ(quibreg({"export", "HKLM\\Drivers\\USB", file}).exitCode, 0);
    EXPECT_EQ(fileBytes(file), exported);

    r = quibreg({"delete", settingsKey, "fixed"});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    r = quibreg({"list", settingsKey, "Fixed"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("no value \"Fixed\""), std::string::npos) << r.errors;
    r = quibreg({"delete", settingsKey, "Fixed"});
    EXPECT_EQ(r.exitCode, 1);

    EXPECT_EQ(quibreg({"delete-key", "Drivers\\USB\\ClientDrivers"}).exitCode, 0);
    r = quibreg({"list", settingsKey});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("no key"), std::string::npos) << r.errors;
    EXPECT_EQ(quibreg({"list", "Drivers\\USB"}).output, "HKEY_LOCAL_MACHINE\\Drivers\\USB\n");
    EXPECT_EQ(quibreg({"delete-key", "HKLM"}).exitCode, 1);
}

TEST(Quibreg, ValuesOfOtherShapesAreShownAsBytes)
{
    // A number stored as a string and an empty default value stay readable.
    EXPECT_EQ(quibreg({"set", "Odd", "", "string", ""}).exitCode, 0);
    ProgramRun r = quibreg({"export", "Odd"});
    EXPECT_EQ(r.output, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Odd]\n@=\"\"\n");
    EXPECT_EQ(quibreg({"set", "Odd", "Lines", "string", "a\nb"}).exitCode, 0);
    r = quibreg({"list", "Odd", "Lines"});
    EXPECT_EQ(r.output, "HKEY_LOCAL_MACHINE\\Odd\n  value  \"Lines\" = hex:61,00,0a,00,62,00,00,00 (type 1, 8 bytes)\n");
}

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
};

class QuibregUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(QuibregUsage, IsRefusedWithStatusTwoAndChangesNothing)
{
    ProgramRun r = quibreg(GetParam().arguments);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.errors.find("quibreg --help"), std::string::npos) << r.errors;
    EXPECT_FALSE(fs::exists(registryFile()));
}

const UsageCase usageCases[] = {
    {"NoCommand", {}},
    {"UnknownCommand", {"query", "Drivers"}},
    {"ListWithoutKey", {"list"}},
    {"SetWithoutData", {"set", "Drivers", "Fixed", "number"}},
    {"SetOfAnUnknownType", {"set", "Drivers", "Fixed", "binary", "1"}},
    {"NegativeNumber", {"set", "Drivers", "Fixed", "number", "-1"}},
    {"NumberTooLarge", {"set", "Drivers", "Fixed", "number", "4294967296"}},
    {"NumberWithText", {"set", "Drivers", "Fixed", "number", "12abc"}},
    {"DeleteWithoutName", {"delete", "Drivers"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, QuibregUsage, testing::ValuesIn(usageCases),
                         [](const testing::TestParamInfo<UsageCase>& info) { return info.param.name; });

TEST(Quibreg, HelpAndInvalidPaths)
{
    ProgramRun r = quibreg({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output.rfind("Usage: quibreg", 0), 0u);
    r = quibreg({"set", "Drivers\\\\USB", "Fixed", "number", "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("invalid key path"), std::string::npos) << r.errors;
    r = quibreg({"where"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, registryFile() + "\n");
}

} // namespace
