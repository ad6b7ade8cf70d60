// The program's command line as UTF-8 words, as every program of the tool
// reads its options: on Linux the words as they came; on Windows the
// system's wide command line converted (the narrow one the C runtime gives
// is in the ANSI code page, which cannot hold every name a person types).
#pragma once

// Gives the words, argc set to their number; argv is what main received.
// They live as long as the program.
char** programArguments(int& argc, char** argv);
