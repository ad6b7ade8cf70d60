#include "frontend/script/script_front_end.h"

#include "os/code_page.h"
#include "dialogs/dialog_window.h"
#include "dialogs/message_box.h"
#include "os/secret.h"
#include "os/wide_format.h"

#include <cerrno>
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

// Length of the well-formed UTF-8 sequence that starts at p, 0 when the
// byte there starts none (a stray continuation byte, an overlong form, a
// surrogate, a code point above U+10FFFF, a sequence cut short).
std::size_t utf8SequenceLength(const unsigned char* p, unsigned* codePoint)
{
    unsigned c = p[0];
    if (c < 0x80) {
        *codePoint = c;
        return 1;
    }
    std::size_t length;
    unsigned value;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) // also stops at the terminating NUL
            return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    if (length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF)))
        return 0;
    if (length == 4 && (value < 0x10000 || value > 0x10FFFF))
        return 0;
    *codePoint = value;
    return length;
}

bool isControl(unsigned codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F); }

} // namespace

ScriptLineStatus readScriptLine(std::FILE* script, char* line, std::size_t capacity)
{
    std::size_t length = 0;
    bool heldNul = false;
    bool readAny = false;
    int c;
    while ((c = std::fgetc(script)) != EOF) {
        readAny = true;
        if (c == '\n')
            break;
        if (c == '\0' && !heldNul) {
            heldNul = true;
            line[length] = '\0';
        }
        // Past a NUL or past the capacity the bytes are read and dropped.
        if (!heldNul && length + 1 < capacity)
            line[length++] = char(c);
    }
    if (!readAny) {
        line[0] = '\0';
        return ScriptLineStatus::End;
    }
    while (length > 0 && line[length - 1] == '\r')
        --length;
    line[length] = '\0';
    return heldNul ? ScriptLineStatus::HoldsNul : ScriptLineStatus::Line;
}

ScriptFrontEnd::ScriptFrontEnd(std::FILE* script, std::FILE* transcript)
    : script_(script), transcript_(transcript), line_{}
{
}

// Every control character is escaped, so that nothing in a text (a volume
// label holding terminal sequences, say) reaches the reader's terminal raw;
// bytes that are not UTF-8 become U+FFFD, so the transcript stays UTF-8.
void ScriptFrontEnd::writeQuotedUtf8(const char* text)
{
    std::fputc('"', transcript_);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != '\0') {
        unsigned codePoint = 0;
        std::size_t length = utf8SequenceLength(p, &codePoint);
        if (length == 0) {
            std::fputs("\xEF\xBF\xBD", transcript_);
            ++p;
            continue;
        }
        switch (codePoint) {
        case '\\': std::fputs("\\\\", transcript_); break;
        case '"': std::fputs("\\\"", transcript_); break;
        case '\r': std::fputs("\\r", transcript_); break;
        case '\n': std::fputs("\\n", transcript_); break;
        default:
            if (isControl(codePoint))
                std::fprintf(transcript_, "\\u%04x", codePoint);
            else
                std::fwrite(p, 1, length, transcript_);
        }
        p += length;
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

void ScriptFrontEnd::flush()
{
    if (std::fflush(transcript_) != 0 || std::ferror(transcript_)) {
        if (!transcriptLost_)
            transcriptError_ = errno;
        transcriptLost_ = true;
    }
}

void ScriptFrontEnd::stall()
{
    std::fputs("stalled\n", transcript_);
    flush();
    if (transcriptLost_)
        endWithoutTranscript();
    std::exit(stalledExitCode);
}

// The reader of the transcript went away. The work that was running then
// (a format, say, through to its file system) has ended by the time the tool
// waits for the next action; the run ends there, and says so where it can.
void ScriptFrontEnd::endWithoutTranscript()
{
    clearSecret(line_, sizeof line_);
    std::fprintf(stderr, "quibtools: the transcript cannot be written (%s); the run ends\n",
                 std::strerror(transcriptError_));
    std::exit(transcriptLostExitCode);
}

// A line that is no action is named by its first word only: the rest may be
// a password, typed after a misspelt verb.
void ScriptFrontEnd::refuseLine(const char* line, const char* why)
{
    while (*line == ' ' || *line == '\t')
        ++line;
    char verb[32];
    std::size_t verbLength = std::strcspn(line, " \t");
    if (verbLength >= sizeof verb)
        verbLength = sizeof verb - 1;
    std::memcpy(verb, line, verbLength);
    verb[verbLength] = '\0';
    writeEvent("refused", verb, why);
    clearSecret(verb, sizeof verb);
}

void ScriptFrontEnd::writeEvent(const char* event, const char* first, const char* second)
{
    std::fprintf(transcript_, "%s ", event);
    writeQuotedUtf8(first);
    std::fputc(' ', transcript_);
    writeQuotedUtf8(second);
    std::fputc('\n', transcript_);
    flush();
}

void ScriptFrontEnd::hostFolderUnusable(const char* folder, const char* why)
{
    writeEvent("host folder", folder, why);
}

void ScriptFrontEnd::alreadyRunning()
{
    std::fputs("already running\n", transcript_);
    flush();
}

void ScriptFrontEnd::readAction(UserAction* action)
{
    for (;;) {
        if (transcriptLost_)
            endWithoutTranscript();
        bool taken = parseLine(action);
        // The line may hold a password; the action carries what is needed.
        clearSecret(line_, sizeof line_);
        if (taken)
            return;
    }
}

bool ScriptFrontEnd::parseLine(UserAction* action)
{
    switch (readScriptLine(script_, line_, sizeof line_)) {
    case ScriptLineStatus::End:
        stall();
    case ScriptLineStatus::HoldsNul:
        refuseLine(line_, "the line holds a NUL byte");
        return false;
    case ScriptLineStatus::Line:
        break;
    }
    const char* line = line_;
    while (*line == ' ' || *line == '\t')
        ++line;
    if (*line == '\0' || *line == '#')
        return false;

    *action = UserAction{};
    const char* argument;
    const char* rest = nullptr;
    if ((argument = argumentOf(line, "click")) != nullptr && parseId(argument, &action->controlId, &rest) && *rest == '\0') {
        action->kind = UserActionKind::Click;
        return true;
    }
    if ((argument = argumentOf(line, "command")) != nullptr && parseId(argument, &action->controlId, &rest) && *rest == '\0') {
        action->kind = UserActionKind::Command;
        return true;
    }
    if ((argument = argumentOf(line, "type")) != nullptr && parseId(argument, &action->controlId, &rest)) {
        action->kind = UserActionKind::Type;
        if (utf8ToWide(rest, action->text, sizeof action->text / sizeof action->text[0]))
            return true;
        writeRefused(*action, "the text is not valid UTF-8");
        clearSecret(action->text, sizeof action->text);
        return false;
    }
    if ((argument = argumentOf(line, "key")) != nullptr) {
        action->kind = UserActionKind::Key;
        struct { const char* name; DialogKey key; } keys[] = {
            {"enter", DialogKey::Enter}, {"escape", DialogKey::Escape}, {"tab", DialogKey::Tab},
            {"backtab", DialogKey::BackTab}, {"f1", DialogKey::F1}};
        for (const auto& k : keys) {
            if (std::strcmp(argument, k.name) == 0) {
                action->key = k.key;
                return true;
            }
        }
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
            return true;
    }
    if (std::strcmp(line, "dump") == 0) {
        action->kind = UserActionKind::Dump;
        return true;
    }
    refuseLine(line, "not an action");
    return false;
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

void ScriptFrontEnd::actionRefused(const UserAction& action, Refusal why) { writeRefused(action, refusalText(why)); }

void ScriptFrontEnd::writeRefused(const UserAction& action, const char* why)
{
    char text[64];
    describe(action, text, sizeof text);
    std::fprintf(transcript_, "refused %s ", text);
    writeQuotedUtf8(why);
    std::fputc('\n', transcript_);
    flush();
}

int ScriptFrontEnd::messageBox(DialogHandle, const char16_t* text, const char16_t* caption, unsigned flags)
{
    std::fprintf(transcript_, "message 0x%02x ", flags);
    writeQuoted(caption);
    std::fputc(' ', transcript_);
    writeQuoted(text);
    std::fputc('\n', transcript_);
    flush();
    bool yesNo = isYesNoBox(flags);
    for (;;) {
        UserAction action;
        readAction(&action);
        if (action.kind != UserActionKind::Answer) {
            writeRefused(action, "a message box is showing");
            continue;
        }
        if (yesNo != (action.answer != answerOk)) {
            writeRefused(action, yesNo ? "the message box asks Yes or No" : "the message box has only OK");
            continue;
        }
        std::fprintf(transcript_, "answer %s\n", answerName(action.answer));
        flush();
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
    flush();
    return false; // headless: the transcript records the start, nothing is shown
}

void ScriptFrontEnd::programEnded(int exitCode)
{
    std::fprintf(transcript_, "exit %d\n", exitCode);
    flush();
    // The program's work is done; a transcript lost on the way still ends
    // the run with its own status.
    if (transcriptLost_)
        endWithoutTranscript();
}

void ScriptFrontEnd::nextAction(DialogHandle active, UserAction* action)
{
    for (;;) {
        readAction(action);
        if (action->kind == UserActionKind::Answer) {
            writeRefused(*action, "no message box is showing");
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
    flush();
}

void ScriptFrontEnd::dialogClosed(DialogHandle dialog)
{
    std::fprintf(transcript_, "dialog close %u\n", unsigned(dialogTemplateOf(dialog)->id));
    flush();
}

// Long work shows in the transcript as it goes: each new text of a control
// and each new position of a progress bar, once the dialog is open.
void ScriptFrontEnd::controlChanged(DialogHandle, const ControlState& control, ControlChange what)
{
    int controlId = control.source->id;
    char16_t text[controlTextCapacity];
    if (what == ControlChange::Text && control.kind != ControlKind::ProgressBar) {
        shownText(control, text, controlTextCapacity);
        std::fprintf(transcript_, "text %d ", controlId);
        writeQuoted(text);
        std::fputc('\n', transcript_);
    } else if (what == ControlChange::ProgressPosition) {
        std::fprintf(transcript_, "progress %d %u\n", controlId, unsigned(control.position));
    } else {
        return;
    }
    flush();
}

void ScriptFrontEnd::dump(DialogHandle dialog)
{
    const ControlState* focused = focusedControl(dialog);
    char16_t text[controlTextCapacity];
    for (std::size_t i = 0; i < dialogControlCount(dialog); ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if (!isVisibleControl(control))
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
    flush();
}
