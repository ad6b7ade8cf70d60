#include "os/program_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The words of the wide command line, split by the system's own rules
// (CommandLineToArgvW, as the C runtime splits it), each in UTF-8.
char** programArguments(int& argc, char** argv)
{
    static std::vector<std::string> words;
    static std::vector<char*> pointers;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        static char name[] = "";
        static char* nameOnly[] = {name, nullptr};
        if (argv != nullptr)
            return argv;
        argc = 1;
        return nameOnly;
    }
    words.assign(std::size_t(count), std::string());
    for (int i = 0; i < count; ++i) {
        int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            words[std::size_t(i)].assign(std::size_t(size - 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, words[std::size_t(i)].data(), size, nullptr, nullptr);
        }
    }
    LocalFree(wide);
    pointers.clear();
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    argc = count;
    return pointers.data();
}
