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

// The front end is told of every program the tool starts.
void installFrontEnd(FrontEnd* frontEnd)
{
    current = frontEnd;
    setProcessStartNotice(frontEnd != nullptr ? tellFrontEnd : nullptr);
}
