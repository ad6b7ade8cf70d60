// Why the last call to the operating system failed, kept as the system gave
// it, for the message that tells a person: what the tool was doing, the
// errno value (0 where the system gives words alone, as dlerror does) and
// the system's own words. One record for the process: each failure
// replaces the one before.
#pragma once

#include <cstddef>

struct SystemError {
    int code = 0;
    char doing[128] = "";
    char reason[384] = "";
};

// Records a failure with its errno value (its words from strerror) and
// returns false, so that a service can end with "return systemFailure(...)".
bool systemFailure(const char* doing, int code);
// Records a failure the system told in words alone (dlerror).
bool systemFailureInWords(const char* doing, const char* reason);

// Windows: records a failure with the system's error code (GetLastError)
// in the system's words from its message table (code 0, as for words alone).
bool systemCodeFailure(const char* doing, unsigned long code);
// Windows: the system's words for an error code, in English, UTF-8, without
// the line end and full stop the message table adds ("system error N" where
// it has none), into out (capacity bytes, NUL-terminated).
void systemCodeWords(unsigned long code, char* out, std::size_t capacity);
const SystemError& lastSystemError();
