// The person's terminal (a console on Windows) as the command line uses it:
// whether the standard streams reach one, reading standard input without a
// read-ahead buffer, and typing without echo for a password.
#pragma once

#include <cstddef>

bool standardInputIsTerminal();
bool standardErrorIsTerminal();

// Reads at most size bytes from standard input straight from the system,
// so nothing typed after them stays in a buffer: the bytes read, 0 at the
// end of the input, -1 when it cannot be read.
long readStandardInput(char* buffer, std::size_t size);

// Turns the terminal's echo of typed characters off (false: back on, as it
// was before). False when standard input is no terminal that echoes.
bool silenceTerminalEcho(bool silent);
