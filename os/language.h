// The platform's default language id.
#pragma once

#include <cstdint>

constexpr std::uint16_t languageJapanese = 1041;
constexpr std::uint16_t languageEnglish = 1033;

// QUIB_LANGID when set (a decimal number); otherwise the first set of
// LC_ALL, LC_MESSAGES and LANG: a value beginning with ja_JP gives 1041,
// anything else 1033.
std::uint16_t defaultLanguageId();
