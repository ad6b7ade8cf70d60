#include "os/language.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

std::uint16_t defaultLanguageId()
{
    const char* forced = std::getenv("QUIB_LANGID");
    if (forced != nullptr && forced[0] != '\0') {
        char* end = nullptr;
        unsigned long value = std::strtoul(forced, &end, 10);
        if (end != forced && *end == '\0')
            return static_cast<std::uint16_t>(value);
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0')
            return std::strncmp(value, "ja_JP", 5) == 0 ? languageJapanese : languageEnglish;
    }
    return languageEnglish;
}
