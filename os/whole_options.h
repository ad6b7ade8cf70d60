// The programs read their options with getopt_long, but take an option only
// as its whole word, as they always have: getopt_long alone would also take
// a unique prefix (--vers), an argument glued on (--script=FILE) and a row
// of letters (-hy as -h -y), and would end the options at "--".
#pragma once

#include <cstring>
#include <getopt.h>

// The next option as getopt_long reads it, with *word the word it came
// from: '?' for a word that is no whole option of longOptions or optstring
// (also for "--"), ':' for an option whose argument is missing. After '?'
// the caller stops reading. The caller sets optind = 0 and opterr = 0
// before the first call.
inline int nextWholeOption(int argc, char** argv, const char* optstring, const option* longOptions,
                           const char** word)
{
    int at = optind == 0 ? 1 : optind;
    *word = at < argc ? argv[at] : nullptr;
    if (*word != nullptr && std::strcmp(*word, "--") == 0)
        return '?';
    int found = getopt_long(argc, argv, optstring, longOptions, nullptr);
    if (found == -1 || found == 1 || found == '?')
        return found;
    int letter = found == ':' ? optopt : found;
    const char* text = *word;
    if (text[1] != '-')
        return text[1] == letter && text[2] == '\0' ? found : '?';
    for (const option* named = longOptions; named->name != nullptr; ++named) {
        if (named->val == letter && std::strcmp(text + 2, named->name) == 0)
            return found;
    }
    return '?';
}
