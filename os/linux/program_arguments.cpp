#include "os/program_arguments.h"

// Linux passes the words as the person's locale wrote them: UTF-8.
char** programArguments(int&, char** argv) { return argv; }
