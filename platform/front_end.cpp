#include "platform/front_end.h"

namespace {
FrontEnd* current = nullptr;
}

FrontEnd* activeFrontEnd() { return current; }

void installFrontEnd(FrontEnd* frontEnd) { current = frontEnd; }
