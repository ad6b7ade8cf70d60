// The dialog manager under the script front end, on small templates of the
// test's own: what a person's keys, clicks and typing send to the dialog
// procedure, what the transcript shows, and the control services the
// program's dialogs call.
#include "dialogs/dialog_window.h"
#include "dialogs/dialogs.h"
#include "dialogs/message_box.h"
#include "tests/support/script_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t visibleChild = styleVisible | styleChild;
constexpr std::uint32_t dialogStyle = 0x80C808C0;

const ControlTemplate sampleControls[] = {
    {ControlClass::Button, 1037, visibleChild | styleGroup | styleTabStop | buttonAutoRadio, 0, 10, 10, 60, 10, u"Simple", 0},
    {ControlClass::Button, 1038, visibleChild | buttonAutoRadio, 0, 10, 22, 60, 10, u"Long", 0},
    {ControlClass::Button, 1041, visibleChild | styleGroup | styleTabStop | buttonAutoRadio, 0, 80, 10, 60, 10, u"Left", 0},
    {ControlClass::Button, 1042, visibleChild | buttonAutoRadio, 0, 80, 22, 60, 10, u"Right", 0},
    {ControlClass::Edit, 1039, visibleChild | styleGroup | styleTabStop | styleBorder | editAutoHorizontalScroll, 0, 10, 40, 80, 12, u"", 0},
    {ControlClass::Edit, 1040, visibleChild | editReadOnly | editAutoHorizontalScroll, 0, 10, 54, 80, 12, u"", 0},
    {ControlClass::Edit, 1027, visibleChild | styleTabStop | styleBorder | editPassword, 0, 10, 68, 80, 12, u"", 0},
    {ControlClass::Button, 1, visibleChild | styleTabStop | buttonDefaultPush, 0, 150, 10, 50, 14, u"OK", 0},
    {ControlClass::Button, 2, visibleChild | styleTabStop | buttonPush, 0, 150, 28, 50, 14, u"Close", 0},
    {ControlClass::Button, 1050, visibleChild | styleTabStop | styleDisabled | buttonPush, 0, 150, 46, 50, 14, u"Later", 0},
    {ControlClass::Static, staticControlId, visibleChild | staticLeft, 0, 10, 84, 40, 8, u"Label:", 0},
    {ControlClass::Button, staticControlId, visibleChild | buttonGroupBox, 0, 4, 2, 140, 34, u"Style", 0},
    {ControlClass::ProgressBar, 1030, visibleChild, 0, 10, 96, 180, 10, u"", 0},
    {ControlClass::Static, staticControlId, visibleChild | staticBitmap, 0, 150, 70, 35, 11, u"", 121},
    {ControlClass::Edit, 1099, styleChild | styleTabStop, 0, 10, 110, 80, 12, u"hidden", 0},
};
const DialogTemplate sampleTemplate = {500, 1033, dialogStyle, 0, 0, 0, 210, 130, u"Sample", 9, u"Arial",
                                       sampleControls, std::size(sampleControls)};

const ControlTemplate innerControls[] = {
    {ControlClass::Static, staticControlId, visibleChild, 0, 4, 4, 80, 8, u"Inner text", 0},
    {ControlClass::Button, 1051, visibleChild | styleTabStop, 0, 4, 20, 50, 14, u"Inner", 0},
    {ControlClass::Edit, 1052, visibleChild | styleTabStop | styleBorder, 0, 4, 40, 80, 12, u"", 0},
};
const DialogTemplate innerTemplate = {501, 1033, dialogStyle, 0, 0, 0, 100, 60, u"Inner \"quoted\"", 9, u"Arial",
                                      innerControls, std::size(innerControls)};

// No default push button and no button 2; the focus starts in the field.
const ControlTemplate plainControls[] = {
    {ControlClass::Edit, 1062, visibleChild | styleTabStop | styleBorder, 0, 4, 20, 50, 12, u"", 0},
    {ControlClass::Button, 1061, visibleChild | styleTabStop, 0, 4, 4, 50, 14, u"Go", 0},
};
const DialogTemplate plainTemplate = {502, 1033, dialogStyle, 0, 0, 0, 80, 30, u"Plain", 9, u"Arial",
                                      plainControls, std::size(plainControls)};

// What the procedures received, one line per message.
std::vector<std::string> received;
// What a test wants done on a command (after it has been logged).
std::function<void(DialogHandle, int)> onCommand;

void log(const std::string& line) { received.push_back(line); }

std::string commandLine(const char* who, std::uintptr_t first)
{
    return std::string(who) + " command " + std::to_string(first & 0xFFFF) + " " + std::to_string(first >> 16);
}

// Checks the first radio of each group and puts the focus on Close; 2 ends.
bool sampleProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    switch (message) {
    case messageInitDialog:
        log("init " + std::to_string(second));
        checkRadioButton(dialog, 1037, 1038, 1037);
        checkRadioButton(dialog, 1041, 1042, 1041);
        setControlText(dialog, 1040, u"ready");
        setFocusToControl(dialog, 2);
        return false;
    case messageHelp:
        log("help");
        return true;
    case messageCommand:
        log(commandLine("sample", first));
        if (onCommand)
            onCommand(dialog, int(first));
        if (first == 2)
            endDialog(dialog, 1);
        return true;
    default:
        return false;
    }
}

// Takes the platform's initial focus; 1051 ends with 7, 2 with 3.
bool innerProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    switch (message) {
    case messageInitDialog: {
        DialogHandle owner = dialogOwner(dialog);
        log("inner init owner " + std::to_string(owner ? dialogTemplateOf(owner)->id : 0));
        return true;
    }
    case messageCommand:
        log(commandLine("inner", first));
        if (first == 1051)
            endDialog(dialog, 7);
        if (first == 2)
            endDialog(dialog, 3);
        return true;
    default:
        return false; // no help
    }
}

bool plainProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message == messageInitDialog)
        return true;
    if (message != messageCommand)
        return false;
    log(commandLine("plain", first));
    if (onCommand)
        onCommand(dialog, int(first));
    if (first == 1 || first == 2)
        endDialog(dialog, std::intptr_t(first) + 10);
    return true;
}

class DialogManager : public testing::Test {
protected:
    void SetUp() override
    {
        received.clear();
        onCommand = nullptr;
    }
    void TearDown() override { onCommand = nullptr; }

    // Runs the dialog under the script; the script must end it.
    std::string run(const DialogTemplate& dialogTemplate, DialogProcedure procedure, const std::string& script)
    {
        ScriptSession<> session(script);
        result_ = runModalDialog(&dialogTemplate, nullptr, procedure, 42);
        return session.transcript();
    }
    std::intptr_t result_ = 0;
};

const std::string sampleOpen = "dialog open 500 \"Sample\"\n";
const std::string sampleClose = "dialog close 500\n";

TEST_F(DialogManager, DumpShowsEveryVisibleControlWithTextStateAndFocus)
{
    std::string transcript = run(sampleTemplate, sampleProcedure, "dump\nkey escape\n");
    EXPECT_EQ(transcript, sampleOpen +
                              "control 1037 radio \"Simple\" enabled checked\n"
                              "control 1038 radio \"Long\" enabled\n"
                              "control 1041 radio \"Left\" enabled checked\n"
                              "control 1042 radio \"Right\" enabled\n"
                              "control 1039 edit \"\" enabled\n"
                              "control 1040 edit \"ready\" enabled\n"
                              "control 1027 password \"\" enabled\n"
                              "control 1 button \"OK\" enabled\n"
                              "control 2 defbutton \"Close\" enabled focus\n"
                              "control 1050 button \"Later\" disabled\n"
                              "control 65535 static \"Label:\" enabled\n"
                              "control 65535 group \"Style\" enabled\n"
                              "control 1030 progress \"0\" enabled\n"
                              "control 65535 bitmap \"121\" enabled\n" +
                              sampleClose);
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 2 0"}));
    EXPECT_EQ(result_, 1);
}

TEST_F(DialogManager, ChangesAfterInitialisationShowAsTextAndProgressLines)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first != 1080)
            return;
        setControlText(dialog, 1040, u"Formatting...");
        setControlText(dialog, 1040, u"Formatting...");   // no change, no line
        setControlText(dialog, 1027, u"abc");
        setControlNumber(dialog, 1039, 4294967295u);
        sendControlMessage(dialog, 1030, progressSetRange, 0, 0x640000);
        sendControlMessage(dialog, 1030, progressSetPosition, 50, 0);
        sendControlMessage(dialog, 1030, progressSetPosition, 50, 0);  // no change, no line
        enableControl(dialog, 1050, true);                                // shown by dump only
    };
    std::string transcript = run(sampleTemplate, sampleProcedure, "command 1080\nkey escape\n");
    EXPECT_EQ(transcript, sampleOpen +
                              "text 1040 \"Formatting...\"\n"
                              "text 1027 \"***\"\n"
                              "text 1039 \"4294967295\"\n"
                              "progress 1030 50\n" +
                              sampleClose);
}

struct EnterCase {
    const char* name;
    const char* script;          // ends with key enter
    const char* command;         // what the procedure then gets; empty when Enter is refused
    friend void PrintTo(const EnterCase& c, std::ostream* os) { *os << c.name; }
};

class EnterKey : public DialogManager, public testing::WithParamInterface<EnterCase> {};

// Commands 1070 and 1076 disable OK and Close. A focused push button is the
// one Enter presses, whoever put the focus there; elsewhere Enter presses
// the template's default button (OK).
TEST_P(EnterKey, PressesTheFocusedPushButtonElseTheDefaultOne)
{
    const EnterCase& c = GetParam();
    onCommand = [](DialogHandle dialog, int first) {
        if (first == 1070)
            enableControl(dialog, 1, false);
        if (first == 1076)
            enableControl(dialog, 2, false);
        if (first == 1)
            endDialog(dialog, 9);
        if (first == 1099)
            endDialog(dialog, 5); // Enter ended nothing
    };
    std::string transcript = run(sampleTemplate, sampleProcedure, std::string(c.script) + "command 1099\n");
    bool refused = transcript.find("refused key enter \"the default button is disabled\"\n") != std::string::npos;
    if (std::string(c.command).empty()) {
        EXPECT_TRUE(refused) << transcript;
        EXPECT_EQ(result_, 5);
        // Refused: neither button reached the procedure; the next action did.
        for (const char* pressed : {"sample command 1 0", "sample command 2 0"})
            EXPECT_EQ(std::count(received.begin(), received.end(), pressed), 0) << pressed;
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received.back(), "sample command 1099 0");
    } else {
        EXPECT_FALSE(refused) << transcript;
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received.back(), c.command);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnterKey,
    testing::Values(
        // The program put the focus on Close: Close takes Enter.
        EnterCase{"FocusOnCloseSetByProgram", "key enter\n", "sample command 2 0"},
        EnterCase{"TabbedOntoOk", "key backtab\nkey enter\n", "sample command 1 0"},
        EnterCase{"TabbedOntoClose", "key backtab\nkey tab\nkey enter\n", "sample command 2 0"},
        EnterCase{"FocusOnEdit", "click 1039\nkey enter\n", "sample command 1 0"},
        EnterCase{"FocusOnPasswordEdit", "click 1027\nkey enter\n", "sample command 1 0"},
        EnterCase{"FocusOnRadio", "click 1038\nkey enter\n", "sample command 1 0"},
        EnterCase{"FocusOnCloseWithDefaultDisabled", "command 1070\nkey enter\n", "sample command 2 0"},
        EnterCase{"FocusOnEditWithDefaultDisabled", "command 1070\nclick 1039\nkey enter\n", ""},
        EnterCase{"FocusOnRadioWithDefaultDisabled", "command 1070\nclick 1038\nkey enter\n", ""},
        // Disabling the focused Close moves the focus on to the first radio
        // (Later is disabled): Enter goes back to OK.
        EnterCase{"FocusedCloseDisabled", "command 1076\nkey enter\n", "sample command 1 0"}),
    [](const testing::TestParamInfo<EnterCase>& info) { return std::string(info.param.name); });

// Exactly one push button is the one Enter presses: the focused one, else
// the template's default.
TEST_F(DialogManager, OneButtonIsMarkedAsTheOneEnterPresses)
{
    auto defaults = [](DialogHandle dialog) {
        std::string marked;
        for (std::size_t i = 0; i < dialogControlCount(dialog); ++i)
            if (dialogControlAt(dialog, i)->isDefault)
                marked += std::to_string(dialogControlAt(dialog, i)->source->id) + " ";
        return marked;
    };
    std::vector<std::string> seen;
    onCommand = [&](DialogHandle dialog, int first) {
        if (first == 1090)
            seen.push_back(defaults(dialog));
    };
    run(sampleTemplate, sampleProcedure,
        "command 1090\nclick 1039\ncommand 1090\nkey backtab\ncommand 1090\nkey escape\n");
    EXPECT_EQ(seen, (std::vector<std::string>{"2 ", "1 ", "1 "}));
}

TEST_F(DialogManager, EnterWithoutDefaultButtonGivesOneAndEscapeGivesTwoWithoutSuchButton)
{
    std::string transcript = run(plainTemplate, plainProcedure, "key enter\n");
    EXPECT_EQ(transcript, "dialog open 502 \"Plain\"\ndialog close 502\n");
    EXPECT_EQ(received, (std::vector<std::string>{"plain command 1 0"}));
    EXPECT_EQ(result_, 11);

    received.clear();
    run(plainTemplate, plainProcedure, "key escape\n");
    EXPECT_EQ(received, (std::vector<std::string>{"plain command 2 0"}));
    EXPECT_EQ(result_, 12);
}

// Records where the focus goes, as the front end is told.
class FocusRecorder : public ScriptFrontEnd {
public:
    using ScriptFrontEnd::ScriptFrontEnd;
    void controlChanged(DialogHandle dialog, const ControlState& control, ControlChange what) override
    {
        if (what == ControlChange::Focus && &control == focusedControl(dialog))
            focus.push_back(control.source->id);
        ScriptFrontEnd::controlChanged(dialog, control, what);
    }
    std::vector<int> focus;
};

struct TabCase {
    const char* name;
    const char* script;
    std::vector<int> focus;
    friend void PrintTo(const TabCase& c, std::ostream* os) { *os << c.name; }
};

class TabOrder : public DialogManager, public testing::WithParamInterface<TabCase> {};

TEST_P(TabOrder, VisitsEnabledVisibleTabStopsAndTheCheckedRadioOfEachGroup)
{
    const TabCase& c = GetParam();
    onCommand = [](DialogHandle dialog, int first) {
        if (first == 1071)
            enableControl(dialog, 1050, true);
    };
    ScriptSession<FocusRecorder> session(std::string(c.script) + "key escape\n");
    runModalDialog(&sampleTemplate, nullptr, sampleProcedure, 0);
    EXPECT_EQ(session.frontEnd().focus, c.focus);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabOrder,
    testing::Values(
        // Disabled 1050, unchecked radios, the read-only field without tab stop,
        // statics and the hidden field are passed over; the order wraps round.
        TabCase{"Forward", "key tab\nkey tab\nkey tab\nkey tab\nkey tab\nkey tab\nkey tab\n",
                {1037, 1041, 1039, 1027, 1, 2, 1037}},
        TabCase{"Backward", "key backtab\nkey backtab\nkey backtab\nkey backtab\nkey backtab\nkey backtab\n",
                {1, 1027, 1039, 1041, 1037, 2}},
        // Checking the other radio makes it the group's tab stop.
        TabCase{"AfterRadioClick", "click 1042\nkey tab\nkey tab\nkey tab\n", {1042, 1039, 1027, 1}},
        // An enabled control joins the order.
        TabCase{"AfterEnabling", "command 1071\nkey backtab\nkey tab\nkey tab\nkey tab\n", {1, 2, 1050, 1037}}),
    [](const testing::TestParamInfo<TabCase>& info) { return std::string(info.param.name); });

TEST_F(DialogManager, ClickOnAutomaticRadioChecksItAndClearsOnlyItsGroupBeforeTheCommand)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first != 1038)
            return;
        std::string checks;
        for (int id : {1037, 1038, 1041, 1042})
            checks += std::to_string(sendControlMessage(dialog, id, buttonGetCheck, 0, 0));
        log("checks " + checks);
    };
    std::string transcript = run(sampleTemplate, sampleProcedure, "click 1038\ndump\nkey escape\n");
    EXPECT_EQ(received,
              (std::vector<std::string>{"init 42", "sample command 1038 0", "checks 0110", "sample command 2 0"}));
    EXPECT_NE(transcript.find("control 1037 radio \"Simple\" enabled\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("control 1038 radio \"Long\" enabled checked focus\n"), std::string::npos) << transcript;
}

TEST_F(DialogManager, CheckRadioButtonChecksOneOfTheRange)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first != 1072)
            return;
        checkRadioButton(dialog, 1041, 1042, 1042);
        std::string checks;
        for (int id : {1037, 1041, 1042, 2, 4711})
            checks += std::to_string(sendControlMessage(dialog, id, buttonGetCheck, 0, 0));
        log("checks " + checks);
    };
    run(sampleTemplate, sampleProcedure, "command 1072\nkey escape\n");
    EXPECT_EQ(received[2], "checks 10100");
}

struct RefusedCase {
    const char* name;
    const char* action;
    const char* line;
    friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
};

class RefusedInput : public DialogManager, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedInput, ReachesNoProcedureAndIsReported)
{
    const RefusedCase& c = GetParam();
    std::string transcript = run(sampleTemplate, sampleProcedure, std::string(c.action) + "\ndump\nkey escape\n");
    EXPECT_EQ(transcript.substr(0, sampleOpen.size() + std::string(c.line).size() + 1),
              sampleOpen + c.line + "\n");
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 2 0"}));
    // Nothing changed: the focus is still on Close and no field took text.
    EXPECT_NE(transcript.find("control 2 defbutton \"Close\" enabled focus\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("control 1040 edit \"ready\" enabled\n"), std::string::npos) << transcript;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedInput,
    testing::Values(
        RefusedCase{"DisabledButton", "click 1050", "refused click 1050 \"the control is disabled\""},
        RefusedCase{"MissingControl", "click 4711", "refused click 4711 \"there is no such control\""},
        RefusedCase{"HiddenControl", "click 1099", "refused click 1099 \"there is no such control\""},
        RefusedCase{"StaticText", "click 65535", "refused click 65535 \"the control takes no clicks\""},
        RefusedCase{"ProgressBar", "click 1030", "refused click 1030 \"the control takes no clicks\""},
        RefusedCase{"TypingReadOnly", "type 1040 new", "refused type 1040 \"the edit field is read-only\""},
        RefusedCase{"TypingIntoButton", "type 1 new", "refused type 1 \"the control is no edit field\""},
        RefusedCase{"TypingMissing", "type 4711 new", "refused type 4711 \"there is no such control\""},
        RefusedCase{"AnswerWithoutMessageBox", "answer ok", "refused answer ok \"no message box is showing\""},
        RefusedCase{"NoAction", "press 1", "refused \"press\" \"not an action\""}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST_F(DialogManager, TypingReplacesTheTextAndSendsAChangeNotification)
{
    onCommand = [](DialogHandle dialog, int first) {
        if ((first & 0xFFFF) != 1027)
            return;
        char16_t text[40];
        getControlText(dialog, 1027, text, 40);
        log(text == std::u16string(u"Secret 1") ? "password kept" : "password lost");
    };
    std::string transcript =
        run(sampleTemplate, sampleProcedure, "type 1039 MY LABEL\ntype 1027 Secret 1\ndump\nkey escape\n");
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 1039 768", "sample command 1027 768",
                                                  "password kept", "sample command 2 0"}));
    EXPECT_NE(transcript.find("text 1039 \"MY LABEL\"\ntext 1027 \"********\"\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("control 1039 edit \"MY LABEL\" enabled\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("control 1027 password \"********\" enabled focus\n"), std::string::npos) << transcript;
}

TEST_F(DialogManager, APasswordFieldIsWipedWhenItsDialogEnds)
{
    // The dialog's slot outlives it; none of its password may stay there.
    // Its controls are found while it runs and looked at after it ended.
    const ControlState* password = nullptr;
    const ControlState* label = nullptr;
    onCommand = [&password, &label](DialogHandle dialog, int) {
        password = findControl(dialog, 1027);
        label = findControl(dialog, 1039);
    };
    run(sampleTemplate, sampleProcedure, "type 1039 LABEL\ntype 1027 Secret 2\nkey escape\n");
    ASSERT_NE(password, nullptr);
    ASSERT_NE(label, nullptr);
    for (char16_t unit : password->text)
        ASSERT_EQ(unit, u'\0');
    EXPECT_EQ(std::u16string(label->text), u"LABEL"); // other fields are left alone
}

TEST_F(DialogManager, GetControlTextCopiesAtMostCapacityLessOneAndANul)
{
    struct Read {
        std::size_t capacity;
        std::size_t copied;
        std::u16string text;
    };
    static std::vector<Read> reads;
    reads.clear();
    onCommand = [](DialogHandle dialog, int first) {
        if (first != 1073)
            return;
        for (std::size_t capacity : {1, 2, 4, 6, 40}) {
            char16_t buffer[40];
            std::fill(std::begin(buffer), std::end(buffer), u'#');
            std::size_t copied = getControlText(dialog, 1040, buffer, capacity);
            reads.push_back({capacity, copied, std::u16string(buffer)});
        }
        char16_t buffer[4] = {u'#', u'#', u'#', u'#'};
        std::size_t copied = getControlText(dialog, 4711, buffer, 4);
        log("missing " + std::to_string(copied) + (buffer[0] == 0 ? " empty" : ""));
    };
    run(sampleTemplate, sampleProcedure, "command 1073\nkey escape\n");
    ASSERT_EQ(reads.size(), 5u);
    EXPECT_EQ(reads[0].copied, 0u);
    EXPECT_EQ(reads[0].text, u"");
    EXPECT_EQ(reads[1].text, u"r");
    EXPECT_EQ(reads[2].copied, 3u);
    EXPECT_EQ(reads[2].text, u"rea");
    EXPECT_EQ(reads[3].text, u"ready");
    EXPECT_EQ(reads[4].copied, 5u);
    EXPECT_EQ(received[2], "missing 0 empty");
}

TEST_F(DialogManager, ProgressBarKeepsItsPositionWithinTheRange)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first != 1074)
            return;
        std::string answers;
        answers += std::to_string(sendControlMessage(dialog, 1030, progressSetRange, 0, 0x640000)) + " ";
        answers += std::to_string(sendControlMessage(dialog, 1030, progressSetPosition, 30, 0)) + " ";
        answers += std::to_string(sendControlMessage(dialog, 1030, progressSetPosition, 150, 0)) + " ";
        answers += std::to_string(sendControlMessage(dialog, 1030, progressSetRange, 0, 0x320000)) + " ";
        answers += std::to_string(sendControlMessage(dialog, 1030, progressSetPosition, 10, 0)) + " ";
        answers += std::to_string(sendControlMessage(dialog, 1, progressSetPosition, 10, 0));
        log(answers);
    };
    std::string transcript = run(sampleTemplate, sampleProcedure, "command 1074\nkey escape\n");
    // Old range 0..100; old positions 0, 30, 100 (clamped), then 50 after the range shrank.
    EXPECT_EQ(received[2], std::to_string(0x640000) + " 0 30 " + std::to_string(0x640000) + " 50 0");
    EXPECT_EQ(transcript, sampleOpen + "progress 1030 30\nprogress 1030 100\nprogress 1030 50\nprogress 1030 10\n" +
                              sampleClose);
}

TEST_F(DialogManager, NestedDialogRunsOverItsOwnerWhichTakesNoInputMeanwhile)
{
    static std::intptr_t innerResult = 0;
    onCommand = [](DialogHandle dialog, int first) {
        if (first == 1060)
            innerResult = runModalDialog(&innerTemplate, dialog, innerProcedure, 0);
    };
    std::string transcript =
        run(sampleTemplate, sampleProcedure, "click 1\ncommand 1060\nclick 1037\ndump\nclick 1051\nkey escape\n");
    EXPECT_EQ(transcript, sampleOpen +
                              "dialog open 501 \"Inner \\\"quoted\\\"\"\n"
                              "refused click 1037 \"there is no such control\"\n"
                              "control 65535 static \"Inner text\" enabled\n"
                              "control 1051 defbutton \"Inner\" enabled focus\n"
                              "control 1052 edit \"\" enabled\n"
                              "dialog close 501\n" +
                              sampleClose);
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 1 0", "sample command 1060 0",
                                                  "inner init owner 500", "inner command 1051 0",
                                                  "sample command 2 0"}));
    EXPECT_EQ(innerResult, 7);
}

TEST_F(DialogManager, EscapeAndHelpGoToTheInnermostDialogOnly)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first == 1060)
            log("inner ended " + std::to_string(runModalDialog(&innerTemplate, dialog, innerProcedure, 0)));
    };
    run(sampleTemplate, sampleProcedure, "command 1060\nkey f1\nkey escape\nkey f1\nkey escape\n");
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 1060 0", "inner init owner 500",
                                                  "inner command 2 0", "inner ended 3", "help",
                                                  "sample command 2 0"}));
}

TEST_F(DialogManager, CommandReachesTheProcedureWhetherOrNotAControlCarriesIt)
{
    run(sampleTemplate, sampleProcedure, "command 1050\ncommand 4711\nkey escape\n");
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 1050 0", "sample command 4711 0",
                                                  "sample command 2 0"}));
}

TEST_F(DialogManager, DisablingTheFocusedControlMovesTheFocusOnInTabOrder)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first == 1075) {
            enableControl(dialog, 2, false);
            const ControlState* focused = focusedControl(dialog);
            log("focus " + std::to_string(focused == nullptr ? 0 : focused->source->id) +
                (setFocusToControl(dialog, 2) ? " refocused" : " not refocused"));
        }
        if (first == 1077) {
            // The focus on OK, then OK disabled: Close (enabled again) takes the focus and Enter.
            enableControl(dialog, 2, true);
            setFocusToControl(dialog, 1);
            enableControl(dialog, 1, false);
        }
    };
    run(sampleTemplate, sampleProcedure, "command 1075\ncommand 1077\nkey enter\nkey escape\n");
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 1075 0", "focus 1037 not refocused",
                                                  "sample command 1077 0", "sample command 2 0"}));
}

// A dialog left without focus, every control disabled (as during long
// work), gives it to the first tab stop enabled again.
TEST_F(DialogManager, AControlEnabledInADialogWithoutFocusTakesIt)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first == 1078) {
            enableControl(dialog, 1062, false);
            enableControl(dialog, 1061, false);
            log(focusedControl(dialog) == nullptr ? "no focus" : "focus kept");
            enableControl(dialog, 1061, true);
        }
    };
    run(plainTemplate, plainProcedure, "command 1078\nkey enter\nkey escape\n");
    EXPECT_EQ(received, (std::vector<std::string>{"plain command 1078 0", "no focus", "plain command 1061 0",
                                                  "plain command 2 0"}));
}

TEST_F(DialogManager, MessageBoxWaitsForAFittingAnswer)
{
    onCommand = [](DialogHandle dialog, int first) {
        if (first == 1076)
            log("answer " + std::to_string(showMessageBox(dialog, u"Go on?", u"Ask", 0x24)));
        if (first == 1077)
            log("answer " + std::to_string(showMessageBox(dialog, u"Done.", u"Tell", 0x10)));
    };
    std::string transcript = run(sampleTemplate, sampleProcedure,
                                 "command 1076\nclick 1\nanswer ok\nanswer yes\ncommand 1076\nanswer no\n"
                                 "command 1077\nanswer no\nanswer ok\nkey escape\n");
    EXPECT_EQ(transcript, sampleOpen +
                              "message 0x24 \"Ask\" \"Go on?\"\n"
                              "refused click 1 \"a message box is showing\"\n"
                              "refused answer ok \"the message box asks Yes or No\"\n"
                              "answer yes\n"
                              "message 0x24 \"Ask\" \"Go on?\"\n"
                              "answer no\n"
                              "message 0x10 \"Tell\" \"Done.\"\n"
                              "refused answer no \"the message box has only OK\"\n"
                              "answer ok\n" +
                              sampleClose);
    EXPECT_EQ(received, (std::vector<std::string>{"init 42", "sample command 1076 0", "answer 6",
                                                  "sample command 1076 0", "answer 7", "sample command 1077 0",
                                                  "answer 1", "sample command 2 0"}));
}

bool endsAtOnce(DialogHandle dialog, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message == messageInitDialog)
        endDialog(dialog, 5);
    return false;
}

TEST_F(DialogManager, DialogEndedDuringInitialisationIsNeverShown)
{
    std::string transcript = run(plainTemplate, endsAtOnce, "");
    EXPECT_EQ(transcript, "");
    EXPECT_EQ(result_, 5);
}

TEST_F(DialogManager, MissingTemplateOrFrontEndRunsNothing)
{
    EXPECT_EQ(runModalDialog(nullptr, nullptr, sampleProcedure, 0), -1);
    installFrontEnd(nullptr);
    EXPECT_EQ(runModalDialog(&sampleTemplate, nullptr, sampleProcedure, 0), -1);
    EXPECT_TRUE(received.empty());
}

TEST_F(DialogManager, FindsTemplatesByIdInTheModule)
{
    const DialogTemplate* dialogs[] = {&sampleTemplate, &innerTemplate};
    const ModuleResources module = {dialogs, 2, nullptr, 0};
    EXPECT_EQ(findDialogTemplate(&module, 501), &innerTemplate);
    EXPECT_EQ(findDialogTemplate(&module, 500), &sampleTemplate);
    EXPECT_EQ(findDialogTemplate(&module, 502), nullptr);
    EXPECT_EQ(findDialogTemplate(nullptr, 500), nullptr);
}

TEST(DialogManagerDeathTest, ScriptThatRunsOutWhileADialogWaitsStallsWithExitStatus3)
{
    EXPECT_EXIT(
        {
            ScriptFrontEnd frontEnd(std::fopen("/dev/null", "r"), stdout);
            installFrontEnd(&frontEnd);
            runModalDialog(&plainTemplate, nullptr, plainProcedure, 0);
        },
        testing::ExitedWithCode(ScriptFrontEnd::stalledExitCode), "");
}

} // namespace
