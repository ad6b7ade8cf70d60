// The Folder Setting dialog, opened from the main menu through the script
// front end, with the registry of the test's host folder and the test driver
// library as the drive: what it shows from the stored settings, what OK
// stores for each mode and number, the re-mount and its readable flag, the
// switch-off, Close, help.
#include "tests/ui/menu_fixture.h"

#include "os/code_page.h"
#include "dialogs/dialog_window.h"
#include "os/registry.h"
#include "settings/driver_settings.h"

#include <algorithm>

namespace menu_test {
namespace {

void storeNumber(const char16_t* name, std::uint32_t value)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(DriverSettingsKey, &key));
    ASSERT_TRUE(setRegistryValue(key, name, registryTypeNumber, &value, sizeof value));
    closeRegistryKey(key);
}

void storeString(const char16_t* name, const char16_t* text)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(DriverSettingsKey, &key));
    std::uint32_t size = std::uint32_t((std::char_traits<char16_t>::length(text) + 1) * sizeof(char16_t));
    ASSERT_TRUE(setRegistryValue(key, name, registryTypeString, text, size));
    closeRegistryKey(key);
}

// Every value of the settings key, in the order first set: numbers as
// decimals, strings quoted, anything else by its type.
std::string storedSettings()
{
    RegistryKey key = nullptr;
    if (!openRegistryKey(DriverSettingsKey, registryAllAccess, &key))
        return "no key";
    std::string all;
    char16_t name[registryMaxName];
    std::uint8_t data[256];
    std::uint32_t type = 0;
    std::uint32_t size = sizeof data;
    for (std::uint32_t i = 0; enumRegistryValue(key, i, name, registryMaxName, &type, data, &size);
         ++i, size = sizeof data) {
        char utf8[512];
        wideToUtf8(name, utf8, sizeof utf8);
        all += all.empty() ? "" : " ";
        all += utf8;
        if (type == registryTypeNumber && size == 4) {
            std::uint32_t n = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16 |
                              std::uint32_t(data[3]) << 24;
            all += "=" + std::to_string(n);
        } else if (type == registryTypeString && size % 2 == 0 && size >= 2) {
            char16_t text[128] = {};
            std::memcpy(text, data, std::min<std::size_t>(size, sizeof text - 2));
            wideToUtf8(text, utf8, sizeof utf8);
            all += "=\"" + std::string(utf8) + "\"";
        } else {
            all += "=type" + std::to_string(type);
        }
    }
    closeRegistryKey(key);
    return all;
}

// The settings the dialog finds before each case.
enum class Stored {
    Automated4,          // Fixed 0, FolderNum 4, Folder "Storage Card4"
    Fixed5,              // Fixed 1, FolderNum 5, Folder "Storage Card5"
    Linked4,             // Fixed 2, FolderNum 4
    Mode7,               // Fixed 7, FolderNum 5, Folder "Storage Card5"
    Number12,            // Fixed 1, FolderNum 12 (stored by some other means)
    FixedAsString,       // Fixed "1" as a string, FolderNum 4, Folder "Storage Card4"
    NoFolderNum,         // Fixed 1, Folder "Storage Card4"
    Nothing,             // no key at all
};

void store(Stored stored)
{
    switch (stored) {
    case Stored::Automated4:
        storeNumber(u"Fixed", 0);
        storeNumber(u"FolderNum", 4);
        storeString(u"Folder", u"Storage Card4");
        break;
    case Stored::Fixed5:
        storeNumber(u"Fixed", 1);
        storeNumber(u"FolderNum", 5);
        storeString(u"Folder", u"Storage Card5");
        break;
    case Stored::Linked4:
        storeNumber(u"Fixed", 2);
        storeNumber(u"FolderNum", 4);
        break;
    case Stored::Mode7:
        storeNumber(u"Fixed", 7);
        storeNumber(u"FolderNum", 5);
        storeString(u"Folder", u"Storage Card5");
        break;
    case Stored::Number12:
        storeNumber(u"Fixed", 1);
        storeNumber(u"FolderNum", 12);
        break;
    case Stored::FixedAsString:
        storeString(u"Fixed", u"1");
        storeNumber(u"FolderNum", 4);
        storeString(u"Folder", u"Storage Card4");
        break;
    case Stored::NoFolderNum:
        storeNumber(u"Fixed", 1);
        storeString(u"Folder", u"Storage Card4");
        break;
    case Stored::Nothing:
        break;
    }
}

// The line of control id in a dump, or "" when the transcript has none.
std::string controlLine(const std::string& transcript, int id)
{
    std::string start = "control " + std::to_string(id) + " ";
    std::size_t at = transcript.find(start);
    if (at == std::string::npos)
        return "";
    return transcript.substr(at, transcript.find('\n', at) - at);
}

const char* const englishMessage =
    "message 0x10 \"Invalid Folder Name Setting\" \"In Fixed mode, you can only choose 2 to 9.\"\n";
const char* const japaneseMessage =
    "message 0x10 \"フォルダ名設定エラー\" \"固定を選ぶ場合，2 から 9 までのうちひとつをセットしてください。\"\n";

class FolderSetting : public MenuTest {};

// ---- What the dialog shows when it opens ----

struct OpenCase {
    const char* name;
    Stored stored;
    int checkedRadio;       // 0: none
    const char* field;
    friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }
};

class FolderSettingOpens : public FolderSetting, public testing::WithParamInterface<OpenCase> {};

TEST_P(FolderSettingOpens, ShowsTheStoredModeAndNumber)
{
    const OpenCase& c = GetParam();
    store(c.stored);
    std::string before = storedSettings();
    std::string transcript = runMenu("click 1026\ndump\nclick 2\nclick 2\n");

    ASSERT_NE(transcript.find("dialog open 125 \"Folder Setting\"\n"), std::string::npos) << transcript;
    const char* radios[] = {"Automated", "Fixed", "Linked"};
    for (int id = 1034; id <= 1036; ++id)
        EXPECT_EQ(controlLine(transcript, id), "control " + std::to_string(id) + " radio \"" + radios[id - 1034] +
                                                   "\" enabled" + (id == c.checkedRadio ? " checked" : ""));
    EXPECT_EQ(controlLine(transcript, 1044), std::string("control 1044 edit \"") + c.field + "\" enabled");
    EXPECT_EQ(controlLine(transcript, 2), "control 2 defbutton \"Close\" enabled focus");
    // Opening and closing reads the settings and asks nothing of the drive.
    EXPECT_EQ(storedSettings(), before);
    EXPECT_EQ(requestsSent().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderSettingOpens,
    testing::Values(OpenCase{"Automated", Stored::Automated4, 1034, "4"},
                    OpenCase{"FixedWith5", Stored::Fixed5, 1035, "5"},
                    OpenCase{"Linked", Stored::Linked4, 1036, "4"},
                    OpenCase{"UnknownMode7IsFixed", Stored::Mode7, 1035, "5"},
                    OpenCase{"Number12ShownUnchanged", Stored::Number12, 1035, "12"},
                    OpenCase{"FixedStoredAsString", Stored::FixedAsString, 0, ""},
                    OpenCase{"FolderNumMissing", Stored::NoFolderNum, 0, ""},
                    OpenCase{"NoKey", Stored::Nothing, 0, ""}),
    [](const testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST_F(FolderSetting, OpensFromTheJapaneseTemplateInJapanese)
{
    useLanguage(1041);
    store(Stored::Fixed5);
    std::string transcript = runMenu("click 1026\ndump\nkey escape\nclick 2\n");
    EXPECT_NE(transcript.find("dialog open 108 \"フォルダ名設定\"\n"), std::string::npos) << transcript;
    EXPECT_EQ(controlLine(transcript, 1035), "control 1035 radio \"固定\" enabled checked");
    EXPECT_EQ(controlLine(transcript, 1044), "control 1044 edit \"5\" enabled");
    EXPECT_EQ(controlLine(transcript, 2), "control 2 defbutton \"閉じる\" enabled focus");
}

// ---- OK: the mode, the number, the message ----

struct OkCase {
    const char* name;
    std::uint16_t language;
    Stored stored;
    const char* actions;    // what the person does before OK
    bool rangeMessage;
    const char* storedAfter;
    friend void PrintTo(const OkCase& c, std::ostream* os) { *os << c.name; }
};

class FolderSettingOk : public FolderSetting, public testing::WithParamInterface<OkCase> {};

TEST_P(FolderSettingOk, StoresTheSettingAndRemounts)
{
    const OkCase& c = GetParam();
    useLanguage(c.language);
    store(c.stored);
    bool japanese = c.language == 1041;
    std::string script = std::string("click 1026\n") + c.actions + "click 1\n" + (c.rangeMessage ? "answer ok\n" : "") +
                         "click 2\n";
    std::string transcript = runMenu(script);

    std::string menu = japanese ? "113" : "126";
    std::string dialog = japanese ? "108" : "125";
    std::string expected = "dialog open " + menu + " \"Quib! Tools\"\n" + "dialog open " + dialog +
                           (japanese ? " \"フォルダ名設定\"\n" : " \"Folder Setting\"\n");
    for (const char* line = std::strstr(c.actions, "type 1044"); line != nullptr;
         line = std::strstr(line + 1, "type 1044")) {
        // The field's new text shows as it changes; not needed by the dialog.
        std::string text(line + 10, std::strchr(line, '\n') - (line + 10));
        expected += "text 1044 \"" + text + "\"\n";
    }
    if (c.rangeMessage)
        expected += std::string(japanese ? japaneseMessage : englishMessage) + "answer ok\n";
    // OK closes the dialog, also after the message.
    expected += "dialog close " + dialog + "\n" + "dialog close " + menu + "\n";
    EXPECT_EQ(transcript, expected);

    EXPECT_EQ(storedSettings(), c.storedAfter);
    // The status query, the re-mount of a readable disk, the switch-off.
    EXPECT_EQ(requestsSent(), (std::vector<std::string>{"103:00", "103:1A", "103:15", "103:06", "101", "103:1A", "103:15"}));
    ASSERT_GE(testDriverRequestCount(), 5u);
    EXPECT_EQ(testDriverRequest(4)->record[13], 0x00);
    EXPECT_FALSE(protectionModeOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderSettingOk,
    testing::Values(
        OkCase{"Fixed3English", 1033, Stored::Automated4, "click 1035\ntype 1044 3\n", false,
               "Fixed=1 FolderNum=3 Folder=\"Storage Card3\""},
        OkCase{"Fixed3Japanese", 1041, Stored::Automated4, "click 1035\ntype 1044 3\n", false,
               "Fixed=1 FolderNum=3 Folder=\"ﾒﾓﾘ ｶｰﾄﾞ3\""},
        OkCase{"FixedAsOpenedWith5", 1033, Stored::Fixed5, "", false,
               "Fixed=1 FolderNum=5 Folder=\"Storage Card5\""},
        // Mode 7 opens as Fixed, so OK stores Fixed with the number shown.
        OkCase{"Mode7BecomesFixed", 1033, Stored::Mode7, "", false, "Fixed=1 FolderNum=5 Folder=\"Storage Card5\""},
        OkCase{"Zero9Is9", 1033, Stored::Automated4, "click 1035\ntype 1044 09\n", false,
               "Fixed=1 FolderNum=9 Folder=\"Storage Card9\""},
        OkCase{"Space5Is5", 1033, Stored::Automated4, "click 1035\ntype 1044  5\n", false,
               "Fixed=1 FolderNum=5 Folder=\"Storage Card5\""},
        OkCase{"Digit5ThenLetterIs5", 1033, Stored::Automated4, "click 1035\ntype 1044 5x\n", false,
               "Fixed=1 FolderNum=5 Folder=\"Storage Card5\""},
        // Only the first two characters are read: "12" is out of range.
        OkCase{"OneTwoThreeReadsAs12", 1033, Stored::Automated4, "click 1035\ntype 1044 123\n", true,
               "Fixed=1 FolderNum=4 Folder=\"Storage Card4\""},
        OkCase{"LetterThen5", 1033, Stored::Automated4, "click 1035\ntype 1044 x5\n", true,
               "Fixed=1 FolderNum=4 Folder=\"Storage Card4\""},
        OkCase{"EmptyField", 1033, Stored::Automated4, "click 1035\ntype 1044 \n", true,
               "Fixed=1 FolderNum=4 Folder=\"Storage Card4\""},
        OkCase{"MinusThree", 1033, Stored::Automated4, "click 1035\ntype 1044 -3\n", true,
               "Fixed=1 FolderNum=4 Folder=\"Storage Card4\""},
        OkCase{"OneIsBelowTheRange", 1033, Stored::Automated4, "click 1035\ntype 1044 1\n", true,
               "Fixed=1 FolderNum=4 Folder=\"Storage Card4\""},
        OkCase{"OutOfRangeInJapanese", 1041, Stored::Automated4, "click 1035\ntype 1044 10\n", true,
               "Fixed=1 FolderNum=4 Folder=\"Storage Card4\""},
        // A number shown as stored but out of range is refused like a typed one.
        OkCase{"Stored12Refused", 1033, Stored::Number12, "", true, "Fixed=1 FolderNum=12"},
        // Automated and Linked store the mode alone, whatever the field holds.
        OkCase{"AutomatedIgnoresTheField", 1033, Stored::Fixed5, "click 1034\ntype 1044 7\n", false,
               "Fixed=0 FolderNum=5 Folder=\"Storage Card5\""},
        OkCase{"LinkedIgnoresTheField", 1033, Stored::Fixed5, "click 1036\ntype 1044 x\n", false,
               "Fixed=2 FolderNum=5 Folder=\"Storage Card5\""},
        // Unreadable settings check no radio: OK stores Linked and nothing else.
        OkCase{"FixedStoredAsStringStoresLinked", 1033, Stored::FixedAsString, "type 1044 3\n", false,
               "Fixed=2 FolderNum=4 Folder=\"Storage Card4\""},
        OkCase{"FolderNumMissingStoresLinked", 1033, Stored::NoFolderNum, "", false,
               "Fixed=2 Folder=\"Storage Card4\""}),
    [](const testing::TestParamInfo<OkCase>& info) { return std::string(info.param.name); });

// Without the settings key the writes fail silently; the re-mount still goes out.
TEST_F(FolderSetting, OkWithoutTheSettingsKeyWritesNothingAndStillRemounts)
{
    std::string transcript = runMenu("click 1026\nclick 1035\ntype 1044 3\nclick 1\nclick 2\n");
    EXPECT_EQ(transcript.find("message "), std::string::npos) << transcript;
    EXPECT_EQ(storedSettings(), "no key");
    ASSERT_GE(testDriverRequestCount(), 5u);
    EXPECT_EQ(requestsSent()[4], "101");
}

// ---- The re-mount's readable flag ----

enum class DriveContent { Disk, NoDisk, NoDrive };

struct RemountCase {
    const char* name;
    DriveContent drive;
    std::uint8_t statusByte;   // byte 21 of the status page: the state in its low 4 bits
    std::uint8_t flag;         // the re-mount's first command byte
    friend void PrintTo(const RemountCase& c, std::ostream* os) { *os << c.name; }
};

class FolderSettingRemount : public FolderSetting, public testing::WithParamInterface<RemountCase> {};

TEST_P(FolderSettingRemount, MountsUnreadableOnlyInState5)
{
    const RemountCase& c = GetParam();
    store(Stored::Fixed5);
    std::vector<std::string> expected;
    switch (c.drive) {
    case DriveContent::Disk: {
        queueDiskState(c.statusByte);
        queueSuccess();
        // The page as the drive reports it with the mode on.
        std::uint8_t page[18] = {};
        page[12] = 0x2F;
        page[13] = 4;
        page[14] = 0x20;
        queueSuccess(page, sizeof page);
        expected = {"103:00", "103:1A", "103:15", "103:06", "101", "103:1A", "103:15"};
        break;
    }
    case DriveContent::NoDisk:
        noDisk();
        expected = {"103:00", "101", "103:1A"};
        break;
    case DriveContent::NoDrive:
        noDrive();
        expected = {"103:00", "101", "103:1A"};
        break;
    }
    std::string transcript = runMenu("click 1026\nclick 1\nclick 2\n");
    EXPECT_EQ(transcript.find("message "), std::string::npos) << transcript;
    EXPECT_EQ(storedSettings(), "Fixed=1 FolderNum=5 Folder=\"Storage Card5\"");
    ASSERT_EQ(requestsSent(), expected);
    const TestDriverRecord& remount = *testDriverRequest(expected.size() == 3 ? 1 : 4);
    EXPECT_EQ(remount.record[13], c.flag);
    EXPECT_EQ(remount.record[42] | remount.record[43] << 8, 0) << "drive index 0";
    if (c.drive == DriveContent::Disk) {
        // The switch-off sends the mode page back with the mode bit cleared.
        const TestDriverRecord& modeSelect = *testDriverRequest(6);
        EXPECT_EQ(modeSelect.data[6] & 0x20, 0);
    }
    EXPECT_FALSE(protectionModeOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderSettingRemount,
    testing::Values(RemountCase{"NotProtected", DriveContent::Disk, 0, 0x00},
                    RemountCase{"WriteProtected", DriveContent::Disk, 2, 0x00},
                    RemountCase{"WriteProtectedWithPassword", DriveContent::Disk, 3, 0x00},
                    RemountCase{"ReadWriteProtectedWithPassword", DriveContent::Disk, 5, 0xFF},
                    RemountCase{"State5WithHighBitsSet", DriveContent::Disk, 0x35, 0xFF},
                    RemountCase{"ReadWriteProtectionLifted", DriveContent::Disk, 13, 0x00},
                    RemountCase{"NoDisk", DriveContent::NoDisk, 0, 0x00},
                    RemountCase{"NoDrive", DriveContent::NoDrive, 0, 0x00}),
    [](const testing::TestParamInfo<RemountCase>& info) { return std::string(info.param.name); });

// ---- Close and help ----

struct CloseCase {
    const char* name;
    const char* close;
    friend void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }
};

class FolderSettingClose : public FolderSetting, public testing::WithParamInterface<CloseCase> {};

TEST_P(FolderSettingClose, AfterChangesStoresNothingAndLeavesTheDriveAlone)
{
    store(Stored::Automated4);
    std::string transcript =
        runMenu(std::string("click 1026\nclick 1035\ntype 1044 7\nclick 1036\n") + GetParam().close + "\nclick 2\n");
    EXPECT_EQ(transcript, "dialog open 126 \"Quib! Tools\"\n"
                          "dialog open 125 \"Folder Setting\"\n"
                          "text 1044 \"7\"\n"
                          "dialog close 125\n"
                          "dialog close 126\n");
    EXPECT_EQ(storedSettings(), "Fixed=0 FolderNum=4 Folder=\"Storage Card4\"");
    EXPECT_EQ(requestsSent().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, FolderSettingClose,
                         testing::Values(CloseCase{"CloseButton", "click 2"}, CloseCase{"EscapeKey", "key escape"}),
                         [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST_F(FolderSetting, HelpStartsTheViewerWithTheFolderTopicAndTheDialogStays)
{
    store(Stored::Automated4);
    std::string transcript = runMenu("click 1026\nkey f1\ndump\nclick 2\nclick 2\n");
    EXPECT_NE(transcript.find("dialog open 125 \"Folder Setting\"\n"
                              "help \"PegHelp.exe\" \"QuibUSBFolder.htp\"\n"
                              "control "),
              std::string::npos)
        << transcript;
    EXPECT_EQ(storedSettings(), "Fixed=0 FolderNum=4 Folder=\"Storage Card4\"");
}

// Sends OK with a notification code, as a control other than a button
// would, at the dialog's first action.
class NotifyingFrontEnd : public ScriptFrontEnd {
public:
    using ScriptFrontEnd::ScriptFrontEnd;
    void nextAction(DialogHandle active, UserAction* action) override
    {
        if (dialogTemplateOf(active)->id == 125 && !sent_) {
            sent_ = true;
            handled = sendDialogMessage(active, messageCommand, 1 | 0x300u << 16, 0);
        }
        ScriptFrontEnd::nextAction(active, action);
    }
    bool handled = true;

private:
    bool sent_ = false;
};

TEST_F(FolderSetting, OkWithANotificationCodeDoesNothing)
{
    store(Stored::Automated4);
    ScriptSession<NotifyingFrontEnd> session("click 1026\nclick 1036\nclick 2\nclick 2\n");
    openMainMenu(nullptr);
    EXPECT_FALSE(session.frontEnd().handled);
    EXPECT_EQ(storedSettings(), "Fixed=0 FolderNum=4 Folder=\"Storage Card4\"");
    EXPECT_EQ(requestsSent().size(), 0u);
}

} // namespace
} // namespace menu_test
