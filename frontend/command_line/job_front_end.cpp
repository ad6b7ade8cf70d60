#include "frontend/command_line/job_front_end.h"

#include "frontend/command_line/job_report.h"
#include "frontend/command_line/person_terminal.h"
#include "format/label_characters.h"
#include "format/volume_label.h"
#include "os/code_page.h"
#include "dialogs/dialog_window.h"
#include "dialogs/message_box.h"
#include "os/registry.h"
#include "os/secret.h"
#include "os/wide_format.h"
#include "protection/protection_status.h"
#include "resources/dialog_ids.h"
#include "settings/driver_settings.h"
#include "ui/framework/message_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// The dialogs a job meets, by the template ids of both languages.
enum class Screen { Menu, Status, Format, FormatExecute, Protect, Password, NewPassword, Folder, Other };

Screen screenOf(int id)
{
    using namespace templateId;
    switch (id) {
    case mainMenuJapanese: case mainMenuEnglish: case mainMenuWithProtectEnglish: case mainMenuWithProtectJapanese:
        return Screen::Menu;
    case statusJapanese: case statusEnglish: return Screen::Status;
    case formatJapanese: case formatEnglish: return Screen::Format;
    case formatExecuteJapanese: case formatExecuteEnglish: case formatExecuteWithProgressEnglish:
        return Screen::FormatExecute;
    case protectSettingJapanese: case protectSettingEnglish: return Screen::Protect;
    case passwordJapanese: case passwordEnglish: return Screen::Password;
    case newPasswordJapanese: case newPasswordEnglish: return Screen::NewPassword;
    case folderSettingJapanese: case folderSettingEnglish: return Screen::Folder;
    default: return Screen::Other;
    }
}

int protectButton(ProtectMode mode)
{
    switch (mode) {
    case ProtectMode::Write: return controlId::protectWrite;
    case ProtectMode::WritePassword: return controlId::protectWriteWithPassword;
    case ProtectMode::ReadWritePassword: return controlId::protectReadWriteWithPassword;
    case ProtectMode::Unprotect: return controlId::protectRemove;
    case ProtectMode::UnprotectUntilEject: return controlId::protectRemoveUntilEject;
    }
    return controlId::protectWrite;
}

int folderRadio(FolderMode mode)
{
    switch (mode) {
    case FolderMode::Automated: return controlId::folderAutomated;
    case FolderMode::Fixed: return controlId::folderFixed;
    case FolderMode::Linked: return controlId::folderLinked;
    }
    return controlId::folderAutomated;
}

bool sameText(const char16_t* a, const char16_t* b) { return a != nullptr && b != nullptr && wideEqual(a, b); }

bool meansNoDriveOrDisk(const char16_t* text)
{
    return sameText(text, messageCatalogue.noDriveText) || sameText(text, messageCatalogue.noDiskText);
}

const char16_t* controlText(DialogHandle dialog, int id)
{
    const ControlState* control = findControl(dialog, id);
    return control != nullptr ? control->text : u"";
}

// The n-th static text of a dialog in template order (0 for the first):
// the password dialogs label their fields with them.
const char16_t* staticText(DialogHandle dialog, int n)
{
    for (std::size_t i = 0; i < dialogControlCount(dialog); ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if (control->kind == ControlKind::StaticText && n-- == 0)
            return control->text;
    }
    return u"";
}

// The percentage that a progress text of the Format Execute dialog shows,
// the number just before its '%'; -1 when it shows none.
int percentShown(const char16_t* text)
{
    for (const char16_t* p = text; *p != u'\0'; ++p) {
        if (*p != u'%' || p == text || p[-1] < u'0' || p[-1] > u'9')
            continue;
        const char16_t* digits = p;
        while (digits > text && digits[-1] >= u'0' && digits[-1] <= u'9')
            --digits;
        int value = 0;
        for (const char16_t* d = digits; d < p && value <= 100; ++d)
            value = value * 10 + (*d - u'0');
        return value <= 100 ? value : -1;
    }
    return -1;
}

// Past this many actions the job has gone round in circles: a dialog that
// keeps refusing Close. It ends rather than hang.
constexpr int actionLimit = 200;

} // namespace

JobFrontEnd::JobFrontEnd(const Job& job) : job_(job), queue_{} {}

JobFrontEnd::~JobFrontEnd() { clearSecret(queue_, sizeof queue_); }

int JobFrontEnd::outcome() const
{
    if (failure_ >= 0)
        return failure_;
    return succeeded_ ? jobSucceeded : jobRefused;
}

void JobFrontEnd::fail(int code)
{
    if (failure_ < 0)
        failure_ = code;
}

void JobFrontEnd::queueClick(int id)
{
    UserAction& action = queue_[queued_++];
    action = UserAction{};
    action.kind = UserActionKind::Click;
    action.controlId = id;
}

void JobFrontEnd::queueCommand(int id)
{
    UserAction& action = queue_[queued_++];
    action = UserAction{};
    action.kind = UserActionKind::Command;
    action.controlId = id;
}

// Wipes the actions queued (typed passwords among them) and empties the queue.
void JobFrontEnd::clearQueue()
{
    clearSecret(queue_, sizeof queue_[0] * std::size_t(queued_));
    queued_ = next_ = 0;
}

bool JobFrontEnd::queueTypeUtf8(int id, const char* text)
{
    UserAction& action = queue_[queued_];
    action = UserAction{};
    action.kind = UserActionKind::Type;
    action.controlId = id;
    if (!utf8ToWide(text, action.text, std::size(action.text))) {
        clearSecret(&action, sizeof action);
        return false;
    }
    ++queued_;
    return true;
}

void JobFrontEnd::planMenu()
{
    switch (job_.kind) {
    case JobKind::Status: queueCommand(controlId::menuStatus); break;
    case JobKind::Format: queueCommand(controlId::menuFormat); break;
    case JobKind::Protect: queueCommand(controlId::menuProtect); break;
    case JobKind::Folder: queueCommand(controlId::menuFolderName); break;
    }
}

void JobFrontEnd::planFormat()
{
    if (job_.longFormat)
        queueClick(controlId::formatLong);
    if (job_.labelGiven && !queueTypeUtf8(controlId::formatLabel, job_.label)) {
        std::fprintf(stderr, "quibtools format: the label is not valid UTF-8\n");
        fail(jobWrongUsage);
        queueCommand(controlId::close);
        return;
    }
    queueClick(controlId::ok);
    messageSinceOk_ = false;
}

// The Format dialog came back after OK. Without a message in between, the
// program corrected the label in place: say why.
void JobFrontEnd::checkLabelAfterOk(DialogHandle format)
{
    if (messageSinceOk_)
        return;
    char shown[256];
    if (!wideToUtf8(controlText(format, controlId::formatLabel), shown, sizeof shown))
        shown[0] = '\0';
    if (shown[0] != '\0') {
        char visible[256];
        visibleText(shown, visible, sizeof visible);
        std::fprintf(stderr, "quibtools format: the label is longer than 11 bytes; '%s' would fit\n", visible);
    } else if (!nameForbiddenLabelCharacter()) {
        std::fprintf(stderr, "quibtools format: the label holds a character that a disk label cannot hold\n");
    }
    fail(jobWrongUsage);
}

// The label the dialog emptied holds a character that a FAT volume label may
// not hold: name it, so the person knows what to change. False when the
// label has none of those (it has a character with no 8-bit form).
bool JobFrontEnd::nameForbiddenLabelCharacter()
{
    char16_t wide[13];
    char bytes[2 * 12];
    std::size_t length = 0;
    const char* label = job_.label;
    if (!job_.labelGiven || !utf8ToWide(label, wide, std::size(wide)) ||
        !wideToCodePage(wide, bytes, sizeof bytes, &length))
        return false;
    std::size_t at = forbiddenLabelByte(bytes, length);
    if (at >= length)
        return false;
    auto byte = static_cast<unsigned char>(bytes[at]);
    if (at == 0 && byte == ' ')
        std::fprintf(stderr, "quibtools format: a disk label cannot begin with a space\n");
    else if (byte < 0x20 || byte == 0x7F)
        std::fprintf(stderr, "quibtools format: a disk label cannot hold the control character \\u%04x\n", byte);
    else
        std::fprintf(stderr, "quibtools format: a disk label cannot hold the character '%c'\n", byte);
    return true;
}

void JobFrontEnd::planProtect() { queueClick(protectButton(job_.protectMode)); }

namespace {

// Why a password line cannot be used, for the person; null when it can.
const char* passwordLineProblem(LineRead got)
{
    switch (got) {
    case LineRead::read: return nullptr;
    case LineRead::ended: return "no password was read";
    case LineRead::tooLong: return "the password line is too long (at most 255 bytes)";
    case LineRead::holdsNul: return "the password holds a NUL byte, which a password cannot hold";
    case LineRead::failed: return "standard input cannot be read";
    }
    return "no password was read";
}

} // namespace

// Types the password (and for a new one its verification) and presses OK.
// False when no password can be had: the dialog is then cancelled.
bool JobFrontEnd::planPassword(bool twice)
{
    DialogHandle dialog = activeDialog();
    char first[256];
    char second[256];
    const char* problem = nullptr;
    if (job_.passwordFromStdin) {
        problem = passwordLineProblem(readSecretLine("", first, sizeof first));
        if (problem == nullptr && twice) {
            // Without a second line the first serves for both; a second
            // line that cannot be used is refused, never taken for none.
            LineRead got = readSecretLine("", second, sizeof second);
            if (got == LineRead::ended)
                std::memcpy(second, first, sizeof second);
            else
                problem = passwordLineProblem(got);
        }
    } else if (personAtTerminal()) {
        char prompt[256];
        problem = wideToUtf8(staticText(dialog, 0), prompt, sizeof prompt)
                      ? passwordLineProblem(readSecretLine(prompt, first, sizeof first))
                      : "no password was read";
        if (problem == nullptr && twice)
            problem = wideToUtf8(staticText(dialog, 1), prompt, sizeof prompt)
                          ? passwordLineProblem(readSecretLine(prompt, second, sizeof second))
                          : "no password was read";
    } else {
        std::fprintf(stderr, "quibtools protect: a password is needed: type it at a terminal, "
                             "or give --password-stdin\n");
        fail(jobWrongUsage);
        queueCommand(controlId::close);
        return false;
    }
    if (problem == nullptr &&
        !(queueTypeUtf8(controlId::passwordField, first) &&
          (!twice || queueTypeUtf8(controlId::passwordVerify, second))))
        problem = "the password is not valid UTF-8";
    clearSecret(first, sizeof first);
    clearSecret(second, sizeof second);
    if (problem != nullptr) {
        std::fprintf(stderr, "quibtools protect: %s; nothing was changed\n", problem);
        fail(jobWrongUsage);
        clearQueue();
        queueCommand(controlId::close);
        return false;
    }
    queueClick(controlId::ok);
    return true;
}

void JobFrontEnd::planFolder()
{
    queueClick(folderRadio(job_.folderMode));
    if (job_.folderMode == FolderMode::Fixed) {
        char number[8];
        std::snprintf(number, sizeof number, "%d", job_.folderNumber);
        queueTypeUtf8(controlId::folderNumber, number);
    }
    queueClick(controlId::ok);
}

void JobFrontEnd::reportStatus(DialogHandle status)
{
    const char16_t* state = controlText(status, controlId::statusState);
    bool present = !meansNoDriveOrDisk(state);
    ProtectionState code = 0;
    bool known = stateOfStatusText(state, &code);
    // The dialog shows "[]" both for an empty label and for a disk without a
    // file system (blank, or erased by a Long Format cut short): the job
    // tells them apart by reading the label itself. A disk read/write
    // protected with a password cannot be read to tell.
    bool fileSystem = false;
    bool readable = present && !(known && code == stateReadWriteProtectedPassword);
    if (readable) {
        char16_t label[volumeLabelCapacity];
        fileSystem = readVolumeLabel(label);
    }
    if (!job_.json && readable && !fileSystem)
        std::fputs("quibtools status: the disk has no file system; format it before use "
                   "(quibtools format)\n", stderr);
    StatusReport report{controlText(status, controlId::statusDriveLine), staticText(status, 0),
                        controlText(status, controlId::statusLabel), state,
                        !sameText(state, messageCatalogue.noDriveText), present, fileSystem, known, code};
    writeStatusReport(report, job_.json);
    if (!present) {
        fail(jobNoDriveOrDisk);
    } else if (!known) {
        // The status page could not be read, or holds a state the program
        // has no text for: the report shows an empty status line.
        std::fputs("quibtools status: the disk's protection state could not be read or is not one the tool "
                   "knows (its protection information may be broken; a Long Format clears it)\n", stderr);
        fail(jobRefused);
    } else {
        succeeded_ = true;
    }
}

namespace {

// Why the registry could not keep a setting, after the registry call that
// failed (or none, when a value read back differs from the one written).
const char* registryProblem(bool readFailed)
{
    // Windows keeps the settings under HKEY_LOCAL_MACHINE, where only an
    // administrator may write unless the installer let users.
    if (registryRefusedAWrite())
        return "the system refused the change: the driver's settings live under "
               "HKEY_LOCAL_MACHINE\\SOFTWARE\\QuibTools, which only an administrator may change unless the installer "
               "let users (install the tool, or run it as administrator)";
    if (!readFailed)
        return "the registry file could not be written";
    switch (lastRegistryStatus()) {
    case RegistryStatus::damaged:
        return "the registry file is damaged or is not a registry database (move it away to start an empty one)";
    case RegistryStatus::noStore:
        return "the registry file cannot be opened or created (it must be a plain file, not a link or a folder, "
               "in a folder you can write)";
    case RegistryStatus::busy: return "the registry file stayed locked by another program; try again";
    default: return "the registry file could not be read or written";
    }
}

} // namespace

// The Folder Setting dialog writes its values without looking at the
// results: read them back, so a setting that was not stored is told.
bool JobFrontEnd::folderSettingStored()
{
    std::uint32_t mode = 0;
    std::uint32_t number = 0;
    std::uint32_t wantedMode = job_.folderMode == FolderMode::Automated ? FolderNameAutomated
                               : job_.folderMode == FolderMode::Fixed  ? FolderNameFixed
                                                                       : FolderNameLinked;
    bool read = readRegistryNumber(u"Fixed", &mode, DriverSettingsKey) &&
                (job_.folderMode != FolderMode::Fixed || readRegistryNumber(u"FolderNum", &number, DriverSettingsKey));
    if (read && mode == wantedMode && (job_.folderMode != FolderMode::Fixed || number == std::uint32_t(job_.folderNumber)))
        return true;
    char file[512];
    if (!registryFilePath(file, sizeof file))
        std::snprintf(file, sizeof file, "%s", registryFileName);
    std::fprintf(stderr, "quibtools folder: the setting was not stored in %s: %s\n", file, registryProblem(!read));
    return false;
}

void JobFrontEnd::dialogOpened(DialogHandle) {}

void JobFrontEnd::dialogClosed(DialogHandle dialog)
{
    // The Folder Setting dialog closes after applying: without a message
    // against it, the setting is written, when it reads back as written.
    if (job_.kind != JobKind::Folder || screenOf(dialogTemplateOf(dialog)->id) != Screen::Folder || failure_ >= 0)
        return;
    if (folderSettingStored())
        succeeded_ = true;
    else
        fail(jobRefused);
}

void JobFrontEnd::controlChanged(DialogHandle dialog, const ControlState& control, ControlChange)
{
    if (job_.kind != JobKind::Format || control.source->id != controlId::executeText ||
        screenOf(dialogTemplateOf(dialog)->id) != Screen::FormatExecute)
        return;
    int percent = percentShown(controlText(dialog, controlId::executeText));
    if (percent >= 0)
        showProgress(percent);
}

void JobFrontEnd::nextAction(DialogHandle active, UserAction* action)
{
    if (++actionsGiven_ > actionLimit) {
        std::fprintf(stderr, "quibtools: the dialogs did not end; giving up\n");
        std::exit(jobRefused);
    }
    int id = dialogTemplateOf(active)->id;
    if (next_ >= queued_ || id != lastDialog_) {
        clearQueue();
        lastDialog_ = id;
        Screen screen = screenOf(id);
        // Each dialog gets its plan on its first wait; when it waits again,
        // the plan has run and the program answered: the job is over there.
        bool again = visited_[int(screen)]++ > 0;
        switch (screen) {
        case Screen::Menu:
            if (!again)
                planMenu();
            else
                queueCommand(controlId::close);
            break;
        case Screen::Status:
            reportStatus(active);
            queueCommand(controlId::close);
            break;
        case Screen::Format:
            if (!again) {
                planFormat();
            } else {
                checkLabelAfterOk(active);
                queueCommand(controlId::close);
            }
            break;
        case Screen::FormatExecute:
            if (!again) {
                queueClick(controlId::ok); // Start
                break;
            }
            endProgress();
            if (sameText(controlText(active, controlId::executeText), messageCatalogue.formatCompletedText)) {
                writeProgramText(stdout, messageCatalogue.formatCompletedText);
                succeeded_ = true;
            } else {
                fail(jobRefused);
            }
            queueCommand(controlId::close);
            break;
        case Screen::Protect:
            if (!again)
                planProtect();
            else
                queueCommand(controlId::close);
            break;
        case Screen::Password:
        case Screen::NewPassword:
            if (!again)
                planPassword(screen == Screen::NewPassword);
            else
                queueCommand(controlId::close); // Cancel, after the program said why
            break;
        case Screen::Folder:
            if (!again)
                planFolder();
            else
                queueCommand(controlId::close);
            break;
        case Screen::Other:
            queueCommand(controlId::close);
            break;
        }
    }
    *action = queue_[next_];
    clearSecret(&queue_[next_], sizeof queue_[next_]);
    ++next_;
}

void JobFrontEnd::actionRefused(const UserAction& action, Refusal)
{
    DialogHandle active = activeDialog();
    if (active != nullptr && screenOf(dialogTemplateOf(active)->id) == Screen::Protect &&
        action.kind == UserActionKind::Click) {
        // The button is disabled: the disk's protection does not allow the
        // change. On a disk without protection that is a removal, and the
        // status ("No Error.") would not say why.
        const char16_t* status = controlText(active, controlId::protectStatusLine);
        if (sameText(status, messageCatalogue.stateNormalText))
            std::fputs("quibtools protect: the disk is not protected, so there is no protection to remove: ", stderr);
        else
            std::fputs("quibtools protect: the disk's protection does not allow this change: ", stderr);
        writeProgramText(stderr, status);
        fail(meansNoDriveOrDisk(controlText(active, controlId::protectStatusLine)) ? jobNoDriveOrDisk : jobRefused);
        return;
    }
    std::fputs("quibtools: the dialog refused an action\n", stderr);
    fail(jobRefused);
}

int JobFrontEnd::messageBox(DialogHandle, const char16_t* text, const char16_t* caption, unsigned flags)
{
    messageSinceOk_ = true;
    bool yesNo = isYesNoBox(flags);
    if (yesNo) {
        // Start-up asks whether to go on without a drive: going on lets the
        // job's own dialog say what is missing.
        if (sameText(caption, messageCatalogue.noDriveText))
            return answerYes;
        if (job_.assumeYes)
            return answerYes;
        char question[1024];
        if (personAtTerminal() && programTextToUtf8(text, question, sizeof question) && askYesNo(question))
            return answerYes;
        if (!personAtTerminal()) {
            writeProgramText(stderr, text);
            std::fputs("quibtools: not on a terminal, so nobody can answer; give --yes to answer Yes\n", stderr);
            fail(jobWrongUsage);
        } else {
            std::fputs("quibtools: answered No, so nothing was changed\n", stderr);
            fail(jobRefused);
        }
        return answerNo;
    }
    bool notice = (flags & 0xF0) == 0 || sameText(text, messageCatalogue.notProtectedText);
    if (notice) {
        writeProgramText(stdout, text);
        succeeded_ = true;
    } else {
        writeProgramText(stderr, text);
        fail(meansNoDriveOrDisk(text) ? jobNoDriveOrDisk : jobRefused);
    }
    return answerOk;
}

bool JobFrontEnd::processStarting(const char*, const char16_t*) { return false; }

void JobFrontEnd::programEnded(int) { endProgress(); }
