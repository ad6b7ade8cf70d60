// Setting an environment variable of the test's own process, on Linux and
// on Windows alike.
#pragma once

#include <cstdlib>

inline int setTestEnvironment(const char* name, const char* value)
{
#ifdef _WIN32
    return _putenv_s(name, value);
#else
    return setenv(name, value, 1);
#endif
}
