#include "dialogs/front_end.h"

#include "os/process_start.h"

namespace {

FrontEnd* current = nullptr;

bool tellFrontEnd(const char* program, const char16_t* commandLine)
{
    return current == nullptr || current->processStarting(program, commandLine);
}

} // namespace

FrontEnd* activeFrontEnd() { return current; }

const char* refusalText(Refusal why)
{
    switch (why) {
    case Refusal::NoSuchControl: return "there is no such control";
    case Refusal::DisabledControl: return "the control is disabled";
    case Refusal::DisabledDefault: return "the default button is disabled";
    case Refusal::ReadOnlyEdit: return "the edit field is read-only";
    case Refusal::NotAnEditField: return "the control is no edit field";
    case Refusal::TakesNoClicks: return "the control takes no clicks";
    case Refusal::NoMessageBox: return "no message box is showing";
    }
    return "";
}

// The front end is told of every program the tool starts.
void installFrontEnd(FrontEnd* frontEnd)
{
    current = frontEnd;
    setProcessStartNotice(frontEnd != nullptr ? tellFrontEnd : nullptr);
}
