#include "os/language.h"

#include <cstdlib>
#include <windows.h>

// QUIB_LANGID when set; otherwise the user's default language: Japanese
// (0x0411) gives 1041, any other 1033.
std::uint16_t defaultLanguageId()
{
    const char* forced = std::getenv("QUIB_LANGID");
    if (forced != nullptr && forced[0] != '\0') {
        char* end = nullptr;
        unsigned long value = std::strtoul(forced, &end, 10);
        if (end != forced && *end == '\0')
            return static_cast<std::uint16_t>(value);
    }
    return GetUserDefaultLangID() == languageJapanese ? languageJapanese : languageEnglish;
}
