// The catalogue by language: only 1041 selects the Japanese texts, and
// every entry is set in both.
#include "ui/message_catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LanguageCase {
    std::uint16_t languageId;
    bool japanese;
};

class CatalogueLanguage : public testing::TestWithParam<LanguageCase> {};

TEST_P(CatalogueLanguage, OnlyJapaneseOf1041)
{
    selectCatalogue(GetParam().languageId);
    EXPECT_EQ(std::u16string(messageCatalogue.unformattedText), GetParam().japanese ? u"未フォーマット" : u"Un formatted");
    EXPECT_EQ(std::u16string(messageCatalogue.formatResultCaption),
              GetParam().japanese ? u"フォーマット結果" : u"Format Status");
}

// 17 is the bare Japanese language number and 2065 another sub-language of
// it: neither is 1041, so both get English.
INSTANTIATE_TEST_SUITE_P(Ids, CatalogueLanguage,
                         testing::Values(LanguageCase{1041, true}, LanguageCase{1033, false}, LanguageCase{17, false},
                                         LanguageCase{2065, false}, LanguageCase{0, false}));

TEST(Catalogue, EveryEntryIsSetInBothLanguages)
{
    for (std::uint16_t id : {1033, 1041}) {
        selectCatalogue(id);
        const auto* entries = reinterpret_cast<const char16_t* const*>(&messageCatalogue);
        std::size_t count = sizeof(MessageCatalogue) / sizeof(const char16_t*);
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_NE(entries[i], nullptr) << "entry " << i << " of language " << id;
            EXPECT_NE(entries[i][0], u'\0') << "entry " << i << " of language " << id;
        }
    }
}

} // namespace
