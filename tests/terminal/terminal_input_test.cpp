// A person's keys and clicks in the terminal, translated for a running
// dialog of the dialog manager: what reaches the dialog procedure, how
// radio groups and edit fields respond, and the keys of a message box.
#include "dialogs/dialog_window.h"
#include "dialogs/dialogs.h"
#include "frontend/terminal/terminal_input.h"
#include "frontend/terminal/terminal_layout.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t visibleChild = styleVisible | styleChild;

const ControlTemplate controls[] = {
    {ControlClass::Button, 1037, visibleChild | styleGroup | styleTabStop | buttonAutoRadio, 0, 10, 10, 60, 10, u"Simple", 0},
    {ControlClass::Button, 1038, visibleChild | buttonAutoRadio, 0, 10, 22, 60, 10, u"Long", 0},
    {ControlClass::Button, 1040, visibleChild | styleDisabled | buttonAutoRadio, 0, 10, 34, 60, 10, u"Never", 0},
    {ControlClass::Edit, 1039, visibleChild | styleGroup | styleTabStop | styleBorder | editAutoHorizontalScroll, 0, 10, 50, 80, 12, u"", 0},
    {ControlClass::Edit, 1027, visibleChild | styleTabStop | styleBorder | editPassword, 0, 10, 66, 80, 12, u"", 0},
    {ControlClass::Edit, 1041, visibleChild | editReadOnly | editAutoHorizontalScroll, 0, 10, 82, 80, 12, u"fixed", 0},
    {ControlClass::Button, 1, visibleChild | styleTabStop | buttonDefaultPush, 0, 150, 10, 50, 14, u"OK", 0},
    {ControlClass::Button, 2, visibleChild | styleTabStop | buttonPush, 0, 150, 28, 50, 14, u"Close", 0},
    {ControlClass::Button, 1050, visibleChild | styleTabStop | buttonPush, 0, 150, 46, 50, 14, u"Later", 0},
};
const DialogTemplate sample = {600, 1033, 0x80C808C0, extendedContextHelp, 0, 0, 210, 100, u"Sample", 9, u"Arial",
                               controls, std::size(controls)};

// One thing a person does: a key, a click into a control (offset cells
// from its first column), or a click on the frame's `[?]`.
struct Step {
    enum Kind { Key, Click, HelpMark } kind;
    KeyPress key;
    int id;
    int offset;
};

Step key(KeyName name) { return Step{Step::Key, KeyPress{name, 0}, 0, 0}; }
Step typed(char32_t c) { return Step{Step::Key, KeyPress{KeyName::Character, c}, 0, 0}; }
Step click(int id, int offset = 0) { return Step{Step::Click, {}, id, offset}; }

std::vector<Step> steps;
std::size_t nextStep;
int startFocus;
std::vector<std::string> received;

std::string narrow(const char16_t* text)
{
    std::string out;
    for (std::size_t i = 0; text[i] != u'\0'; ++i)
        out += text[i] < 0x80 ? char(text[i]) : '?';
    return out;
}

bool procedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    switch (message) {
    case messageInitDialog:
        checkRadioButton(dialog, 1037, 1040, 1037);
        setFocusToControl(dialog, startFocus);
        return false;
    case messageHelp:
        received.push_back("help");
        return true;
    case messageCommand:
        if (first == 2) {
            // What the fields hold and which radio is checked, as the dialog ends.
            char16_t text[300];
            getControlText(dialog, 1039, text, 300);
            std::string checked = sendControlMessage(dialog, 1038, buttonGetCheck, 0, 0) ? "1038" : "1037";
            received.push_back("end \"" + narrow(text) + "\" " + checked);
            endDialog(dialog, 1);
            return true;
        }
        received.push_back("command " + std::to_string(first & 0xFFFF) + " " + std::to_string(first >> 16));
        return true;
    default:
        return false;
    }
}

// Feeds the steps through the terminal's translation; when they run out,
// Close ends the dialog.
class KeyboardAndMouse : public FrontEnd {
public:
    EditCursor edit{nullptr, -1, 0, 0};
    void dialogOpened(DialogHandle) override {}
    void dialogClosed(DialogHandle) override {}
    void controlChanged(DialogHandle, const ControlState&, ControlChange) override {}
    void nextAction(DialogHandle dialog, UserAction* action) override
    {
        DialogLayout layout;
        layoutDialog(dialog, 30, 100, &layout);
        while (nextStep < steps.size()) {
            const Step& step = steps[nextStep++];
            if (step.kind == Step::Key && translateKey(dialog, step.key, &edit, action))
                return;
            if (step.kind == Step::HelpMark &&
                translateClick(dialog, layout, layout.helpCells.row, layout.helpCells.col + 1, &edit, action))
                return;
            if (step.kind == Step::Click) {
                const ControlState* target = findControl(dialog, step.id);
                int index = int(target - dialogControlAt(dialog, 0));
                int row = screenRow(layout, layout.controls[index].row);
                int col = screenCol(layout, layout.controls[index].col) + step.offset;
                if (translateClick(dialog, layout, row, col, &edit, action))
                    return;
            }
        }
        *action = UserAction{};
        action->kind = UserActionKind::Command;
        action->controlId = 2;
    }
    void actionRefused(const UserAction&, Refusal why) override
    {
        received.push_back(std::string("refused ") + refusalText(why));
    }
    int messageBox(DialogHandle, const char16_t*, const char16_t*, unsigned) override { return answerOk; }
    bool processStarting(const char*, const char16_t*) override { return false; }
    void programEnded(int) override {}
};

std::vector<std::string> run(int focus, std::vector<Step> script)
{
    steps = std::move(script);
    nextStep = 0;
    startFocus = focus;
    received.clear();
    KeyboardAndMouse frontEnd;
    installFrontEnd(&frontEnd);
    runModalDialog(&sample, nullptr, procedure, 0);
    installFrontEnd(nullptr);
    return received;
}

using Log = std::vector<std::string>;

class TerminalInput : public testing::Test {
protected:
    static void SetUpTestSuite() { std::setlocale(LC_CTYPE, "C.UTF-8"); }
};

TEST_F(TerminalInput, KeysReachTheDialogAsThePlatformsActions)
{
    struct Case {
        const char* what;
        int focus;
        std::vector<Step> script;
        Log expected;
    } cases[] = {
        {"Space presses the focused button", 1050, {typed(U' ')}, {"command 1050 0", "end \"\" 1037"}},
        {"Enter presses the focused button", 1050, {key(KeyName::Enter)}, {"command 1050 0", "end \"\" 1037"}},
        {"Enter in a field presses the default button", 1039, {key(KeyName::Enter)},
         {"command 1 0", "end \"\" 1037"}},
        {"Tab onto a button makes Enter press it", 2, {key(KeyName::Tab), key(KeyName::Enter)},
         {"command 1050 0", "end \"\" 1037"}},
        {"Shift-Tab goes back", 1050, {key(KeyName::BackTab), key(KeyName::Enter)}, {"end \"\" 1037"}},
        {"Escape sends Close", 1050, {key(KeyName::Escape), typed(U' ')}, {"end \"\" 1037"}},
        {"F1 asks for help", 1050, {key(KeyName::F1)}, {"help", "end \"\" 1037"}},
        {"the frame's [?] asks for help", 1050, {Step{Step::HelpMark, {}, 0, 0}}, {"help", "end \"\" 1037"}},
        {"arrows on a button move like Tab", 1, {key(KeyName::Down), typed(U' ')}, {"end \"\" 1037"}},
        {"other letters on a button do nothing", 1050, {typed(U'x'), key(KeyName::Home)}, {"end \"\" 1037"}},
        {"Down checks the next radio button", 1037, {key(KeyName::Down)}, {"command 1038 0", "end \"\" 1038"}},
        {"arrows skip a disabled radio button and wrap", 1037, {key(KeyName::Down), key(KeyName::Down)},
         {"command 1038 0", "command 1037 0", "end \"\" 1037"}},
        {"Up wraps to the last enabled radio button", 1037, {key(KeyName::Up)}, {"command 1038 0", "end \"\" 1038"}},
        {"Space on a radio button checks it", 1037, {key(KeyName::Down), key(KeyName::Left), typed(U' ')},
         {"command 1038 0", "command 1037 0", "command 1037 0", "end \"\" 1037"}},
        {"clicking a button presses it", 1037, {click(1050)}, {"command 1050 0", "end \"\" 1037"}},
        {"clicking a radio button checks it", 1037, {click(1038, 5)}, {"command 1038 0", "end \"\" 1038"}},
        {"a disabled radio button refuses the click", 1037, {click(1040)},
         {"refused the control is disabled", "end \"\" 1037"}},
        {"typing into a read-only field is refused", 1037, {click(1041), typed(U'x')},
         {"refused the edit field is read-only", "end \"\" 1037"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(run(c.focus, c.script), c.expected) << c.what;
}

// Typing edits at the cursor; every change reaches the dialog as a change
// notification of the field.
TEST_F(TerminalInput, EditingKeysChangeTheFieldAtTheCursor)
{
    Log log = run(1039, {typed(U'a'), typed(U'b'), typed(U'c'), key(KeyName::Left), key(KeyName::Left), typed(U'X'),
                         key(KeyName::Home), key(KeyName::Delete), key(KeyName::End), key(KeyName::Backspace),
                         key(KeyName::Right), key(KeyName::Home), key(KeyName::Backspace)});
    EXPECT_EQ(log, (Log{"command 1039 768", "command 1039 768", "command 1039 768", "command 1039 768",
                        "command 1039 768", "command 1039 768", "end \"Xb\" 1037"}));
}

TEST_F(TerminalInput, ACharacterBeyondTheBasicPlaneIsTypedAndDeletedWhole)
{
    Log log = run(1039, {typed(U'a'), typed(U'\U0001F600'), key(KeyName::Left), key(KeyName::Right), typed(U'b'),
                         key(KeyName::Left), key(KeyName::Backspace)});
    // After the pair is deleted whole, only "ab" remains.
    EXPECT_EQ(log.back(), "end \"ab\" 1037");
}

TEST_F(TerminalInput, TypingStopsAtTheLongestTextAFieldTakes)
{
    std::vector<Step> script(maxTypedUnits + 5, typed(U'x'));
    Log log = run(1039, script);
    EXPECT_EQ(log.size(), maxTypedUnits + 1);
    EXPECT_EQ(log.back(), "end \"" + std::string(maxTypedUnits, 'x') + "\" 1037");
}

TEST_F(TerminalInput, ClickIntoAFieldPutsTheCursorThere)
{
    Log log = run(1037, {click(1039), typed(U'a'), typed(U'b'), typed(U'c'), click(1050), click(1039, 1),
                         typed(U'Z')});
    EXPECT_EQ(log.back(), "end \"aZbc\" 1037");
    // A click far past the text puts the cursor at its end.
    log = run(1037, {click(1039), typed(U'a'), click(1039, 15), typed(U'b')});
    EXPECT_EQ(log.back(), "end \"ab\" 1037");
}

TEST_F(TerminalInput, TabIntoAFieldPutsTheCursorAfterItsText)
{
    Log log = run(1037, {click(1039), typed(U'a'), typed(U'b'), key(KeyName::Home), key(KeyName::Tab),
                         key(KeyName::BackTab), key(KeyName::BackTab), key(KeyName::Tab), typed(U'c')});
    EXPECT_EQ(log.back(), "end \"abc\" 1037");
}

TEST(TerminalMessageBoxKeys, AnswersFromTheKeyboard)
{
    struct Case {
        KeyPress key;
        bool yesNo;
        int focused;
        int answer;
    } cases[] = {
        {{KeyName::Character, U'y'}, true, 1, answerYes},
        {{KeyName::Character, U'N'}, true, 0, answerNo},
        {{KeyName::Enter, 0}, true, 0, answerYes},
        {{KeyName::Enter, 0}, true, 1, answerNo},
        {{KeyName::Character, U' '}, true, 1, answerNo},
        {{KeyName::Escape, 0}, true, 0, 0},       // a question must be answered
        {{KeyName::Escape, 0}, false, 0, answerOk},
        {{KeyName::Enter, 0}, false, 0, answerOk},
        {{KeyName::Character, U'y'}, false, 0, 0}, // an OK box has no Yes
        {{KeyName::Character, U'q'}, true, 0, 0},
    };
    for (const Case& c : cases) {
        int focused = c.focused;
        EXPECT_EQ(translateMessageBoxKey(c.key, c.yesNo, &focused), c.answer)
            << int(c.key.name) << " " << char(c.key.character) << " yesNo " << c.yesNo;
    }
}

TEST(TerminalMessageBoxKeys, TabAndArrowsMoveBetweenYesAndNo)
{
    int focused = 0;
    for (KeyName name : {KeyName::Tab, KeyName::Right, KeyName::BackTab, KeyName::Left}) {
        int before = focused;
        EXPECT_EQ(translateMessageBoxKey(KeyPress{name, 0}, true, &focused), 0);
        EXPECT_EQ(focused, 1 - before);
    }
    focused = 0;
    translateMessageBoxKey(KeyPress{KeyName::Tab, 0}, false, &focused);
    EXPECT_EQ(focused, 0); // one button: nowhere to go
}

} // namespace
