#include "platform/script_front_end.h"

#include "platform/code_page.h"
#include "platform/dialog_window.h"
#include "platform/wide_format.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* keyName(DialogKey key)
{
    switch (key) {
    case DialogKey::Enter: return "enter";
    case DialogKey::Escape: return "escape";
    case DialogKey::Tab: return "tab";
    case DialogKey::BackTab: return "backtab";
    case DialogKey::F1: return "f1";
    }
    return "?";
}

const char* answerName(int answer)
{
    switch (answer) {
    case answerYes: return "yes";
    case answerNo: return "no";
    default: return "ok";
    }
}

bool parseId(const char* text, int* id, const char** rest)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || value < 0 || value > 65535 || (*end != '\0' && *end != ' '))
        return false;
    *id = int(value);
    if (rest != nullptr)
        *rest = *end == ' ' ? end + 1 : end;
    return true;
}

// Splits "verb argument" at the first blank.
const char* argumentOf(const char* line, const char* verb)
{
    std::size_t n = std::strlen(verb);
    if (std::strncmp(line, verb, n) != 0)
        return nullptr;
    if (line[n] == '\0')
        return line + n;
    if (line[n] != ' ')
        return nullptr;
    return line + n + 1;
}

// Reads up to the end of the current line.
void skipRestOfLine(std::FILE* script)
{
    int c;
    do
        c = std::fgetc(script);
    while (c != '\n' && c != EOF);
}

} // namespace

ScriptFrontEnd::ScriptFrontEnd(std::FILE* script, std::FILE* transcript)
    : script_(script), transcript_(transcript), line_{}
{
}

void ScriptFrontEnd::writeQuotedUtf8(const char* text)
{
    std::fputc('"', transcript_);
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
        case '\\': std::fputs("\\\\", transcript_); break;
        case '"': std::fputs("\\\"", transcript_); break;
        case '\r': std::fputs("\\r", transcript_); break;
        case '\n': std::fputs("\\n", transcript_); break;
        default: std::fputc(*p, transcript_);
        }
    }
    std::fputc('"', transcript_);
}

void ScriptFrontEnd::writeQuoted(const char16_t* text)
{
    char utf8[2048];
    if (!wideToUtf8(text, utf8, sizeof utf8))
        std::snprintf(utf8, sizeof utf8, "?");
    writeQuotedUtf8(utf8);
}

void ScriptFrontEnd::stall()
{
    std::fputs("stalled\n", transcript_);
    std::fflush(transcript_);
    std::exit(stalledExitCode);
}

void ScriptFrontEnd::readAction(UserAction* action)
{
    for (;;) {
        if (std::fgets(line_, sizeof line_, script_) == nullptr)
            stall();
        std::size_t length = std::strlen(line_);
        // The rest of an over-long line is dropped, never read as a line of
        // its own: it may be the tail of a typed password.
        if (length > 0 && line_[length - 1] != '\n')
            skipRestOfLine(script_);
        while (length > 0 && (line_[length - 1] == '\n' || line_[length - 1] == '\r'))
            line_[--length] = '\0';
        const char* line = line_;
        while (*line == ' ' || *line == '\t')
            ++line;
        if (*line == '\0' || *line == '#')
            continue;

        *action = UserAction{};
        const char* argument;
        const char* rest = nullptr;
        if ((argument = argumentOf(line, "click")) != nullptr && parseId(argument, &action->controlId, &rest) && *rest == '\0') {
            action->kind = UserActionKind::Click;
            return;
        }
        if ((argument = argumentOf(line, "command")) != nullptr && parseId(argument, &action->controlId, &rest) && *rest == '\0') {
            action->kind = UserActionKind::Command;
            return;
        }
        if ((argument = argumentOf(line, "type")) != nullptr && parseId(argument, &action->controlId, &rest)) {
            action->kind = UserActionKind::Type;
            if (utf8ToWide(rest, action->text, sizeof action->text / sizeof action->text[0]))
                return;
            actionRefused(*action, "the text is not valid UTF-8");
            continue;
        }
        if ((argument = argumentOf(line, "key")) != nullptr) {
            action->kind = UserActionKind::Key;
            struct { const char* name; DialogKey key; } keys[] = {
                {"enter", DialogKey::Enter}, {"escape", DialogKey::Escape}, {"tab", DialogKey::Tab},
                {"backtab", DialogKey::BackTab}, {"f1", DialogKey::F1}};
            bool known = false;
            for (const auto& k : keys) {
                if (std::strcmp(argument, k.name) == 0) {
                    action->key = k.key;
                    known = true;
                }
            }
            if (known)
                return;
        }
        if ((argument = argumentOf(line, "answer")) != nullptr) {
            action->kind = UserActionKind::Answer;
            if (std::strcmp(argument, "ok") == 0)
                action->answer = answerOk;
            else if (std::strcmp(argument, "yes") == 0)
                action->answer = answerYes;
            else if (std::strcmp(argument, "no") == 0)
                action->answer = answerNo;
            else
                action->answer = 0;
            if (action->answer != 0)
                return;
        }
        if (std::strcmp(line, "dump") == 0) {
            action->kind = UserActionKind::Dump;
            return;
        }
        // A line that is no action is named by its first word only: the
        // rest may be a password, typed after a misspelt verb.
        char verb[32];
        std::size_t verbLength = std::strcspn(line, " \t");
        if (verbLength >= sizeof verb)
            verbLength = sizeof verb - 1;
        std::memcpy(verb, line, verbLength);
        verb[verbLength] = '\0';
        std::fputs("refused ", transcript_);
        writeQuotedUtf8(verb);
        std::fputs(" \"not an action\"\n", transcript_);
    }
}

void ScriptFrontEnd::describe(const UserAction& action, char* out, std::size_t capacity)
{
    switch (action.kind) {
    case UserActionKind::Click: std::snprintf(out, capacity, "click %d", action.controlId); break;
    case UserActionKind::Command: std::snprintf(out, capacity, "command %d", action.controlId); break;
    case UserActionKind::Type: std::snprintf(out, capacity, "type %d", action.controlId); break;
    case UserActionKind::Key: std::snprintf(out, capacity, "key %s", keyName(action.key)); break;
    case UserActionKind::Answer: std::snprintf(out, capacity, "answer %s", answerName(action.answer)); break;
    case UserActionKind::Dump: std::snprintf(out, capacity, "dump"); break;
    }
}

void ScriptFrontEnd::actionRefused(const UserAction& action, const char* why)
{
    char text[64];
    describe(action, text, sizeof text);
    std::fprintf(transcript_, "refused %s ", text);
    writeQuotedUtf8(why);
    std::fputc('\n', transcript_);
    std::fflush(transcript_);
}

int ScriptFrontEnd::messageBox(DialogHandle, const char16_t* text, const char16_t* caption, unsigned flags)
{
    std::fprintf(transcript_, "message 0x%02x ", flags);
    writeQuoted(caption);
    std::fputc(' ', transcript_);
    writeQuoted(text);
    std::fputc('\n', transcript_);
    std::fflush(transcript_);
    bool yesNo = (flags & 0x0F) == 0x04;
    for (;;) {
        UserAction action;
        readAction(&action);
        if (action.kind != UserActionKind::Answer) {
            actionRefused(action, "a message box is showing");
            continue;
        }
        if (yesNo != (action.answer != answerOk)) {
            actionRefused(action, yesNo ? "the message box asks Yes or No" : "the message box has only OK");
            continue;
        }
        std::fprintf(transcript_, "answer %s\n", answerName(action.answer));
        std::fflush(transcript_);
        return action.answer;
    }
}

bool ScriptFrontEnd::processStarting(const char* program, const char16_t* commandLine)
{
    std::fputs("help ", transcript_);
    writeQuotedUtf8(program);
    std::fputc(' ', transcript_);
    writeQuoted(commandLine);
    std::fputc('\n', transcript_);
    std::fflush(transcript_);
    return false; // headless: the transcript records the start, nothing is shown
}

void ScriptFrontEnd::programEnded(int exitCode)
{
    std::fprintf(transcript_, "exit %d\n", exitCode);
    std::fflush(transcript_);
}

void ScriptFrontEnd::nextAction(DialogHandle active, UserAction* action)
{
    for (;;) {
        readAction(action);
        if (action->kind == UserActionKind::Answer) {
            actionRefused(*action, "no message box is showing");
            continue;
        }
        if (action->kind == UserActionKind::Dump) {
            dump(active);
            continue;
        }
        return;
    }
}

namespace {

// The word a dump line names a control's kind with.
const char* kindWord(const ControlState& control)
{
    switch (control.kind) {
    case ControlKind::PushButton: return control.isDefault ? "defbutton" : "button";
    case ControlKind::RadioButton: return "radio";
    case ControlKind::CheckBox: return "checkbox";
    case ControlKind::GroupBox: return "group";
    case ControlKind::Edit: return isPasswordEdit(&control) ? "password" : "edit";
    case ControlKind::StaticText: return "static";
    case ControlKind::Bitmap: return "bitmap";
    case ControlKind::ProgressBar: return "progress";
    }
    return "static";
}

// What a control shows as its text: a password field one '*' per
// character, a progress bar its position, a bitmap the number of its
// bitmap resource.
void shownText(const ControlState& control, char16_t* out, std::size_t capacity)
{
    if (control.kind == ControlKind::ProgressBar) {
        formatWide(out, capacity, u"%u", unsigned(control.position));
        return;
    }
    if (control.kind == ControlKind::Bitmap && control.source->bitmapId != 0) {
        formatWide(out, capacity, u"%u", unsigned(control.source->bitmapId));
        return;
    }
    if (!isPasswordEdit(&control)) {
        copyWide(out, capacity, control.text);
        return;
    }
    std::size_t n = 0;
    for (const char16_t* p = control.text; *p != u'\0' && n + 1 < capacity; ++p) {
        if (*p >= 0xDC00 && *p <= 0xDFFF && p != control.text && p[-1] >= 0xD800 && p[-1] <= 0xDBFF)
            continue; // the second half of a surrogate pair is the same character
        out[n++] = u'*';
    }
    out[n] = u'\0';
}

} // namespace

void ScriptFrontEnd::dialogOpened(DialogHandle dialog)
{
    const DialogTemplate* source = dialogTemplateOf(dialog);
    std::fprintf(transcript_, "dialog open %u ", unsigned(source->id));
    writeQuoted(source->title != nullptr ? source->title : u"");
    std::fputc('\n', transcript_);
    std::fflush(transcript_);
}

void ScriptFrontEnd::dialogClosed(DialogHandle dialog)
{
    std::fprintf(transcript_, "dialog close %u\n", unsigned(dialogTemplateOf(dialog)->id));
    std::fflush(transcript_);
}

// Long work shows in the transcript as it goes: each new text of a control
// and each new position of a progress bar, once the dialog is open.
void ScriptFrontEnd::controlChanged(DialogHandle dialog, int controlId)
{
    ControlChange what;
    const ControlState* control = changedControl(dialog, &what);
    if (control == nullptr)
        return;
    char16_t text[controlTextCapacity];
    if (what == ControlChange::Text && control->kind != ControlKind::ProgressBar) {
        shownText(*control, text, controlTextCapacity);
        std::fprintf(transcript_, "text %d ", controlId);
        writeQuoted(text);
        std::fputc('\n', transcript_);
    } else if (what == ControlChange::ProgressPosition) {
        std::fprintf(transcript_, "progress %d %u\n", controlId, unsigned(control->position));
    } else {
        return;
    }
    std::fflush(transcript_);
}

void ScriptFrontEnd::dump(DialogHandle dialog)
{
    const ControlState* focused = focusedControl(dialog);
    char16_t text[controlTextCapacity];
    for (std::size_t i = 0; i < dialogControlCount(dialog); ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if ((control->source->style & styleVisible) == 0)
            continue;
        shownText(*control, text, controlTextCapacity);
        std::fprintf(transcript_, "control %u %s ", unsigned(control->source->id), kindWord(*control));
        writeQuoted(text);
        std::fputs(control->enabled ? " enabled" : " disabled", transcript_);
        if (control->checked)
            std::fputs(" checked", transcript_);
        if (control == focused)
            std::fputs(" focus", transcript_);
        std::fputc('\n', transcript_);
    }
    std::fflush(transcript_);
}
