// The catalogue by language: only 1041 selects the Japanese texts, and
// every entry is set in both.
#include "ui/framework/message_catalogue.h"

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

// Each text that names the disk's protection names the same one in both
// languages: the protection a format confirmation or refusal states is the
// one the disk has.
struct ProtectionTextCase {
    const char* name;
    const char16_t* MessageCatalogue::*text;
    const char16_t* english;  // how the English text begins
    const char16_t* japanese; // how the Japanese text begins
};

class ProtectionNamed : public testing::TestWithParam<ProtectionTextCase> {};

TEST_P(ProtectionNamed, IsTheSameInBothLanguages)
{
    const ProtectionTextCase& c = GetParam();
    selectCatalogue(1033);
    std::u16string english = messageCatalogue.*c.text;
    EXPECT_EQ(english.substr(0, std::u16string(c.english).size()), c.english) << c.name;
    selectCatalogue(1041);
    std::u16string japanese = messageCatalogue.*c.text;
    EXPECT_EQ(japanese.substr(0, std::u16string(c.japanese).size()), c.japanese) << c.name;
}

const char16_t writeProtectedEnglish[] = u"This Disk is Write Protected.";
const char16_t writePasswordEnglish[] = u"This Disk is Write Protected with Password.\r\n";
const char16_t readWritePasswordEnglish[] = u"This Disk is Read/Write Protected with Password.\r\n";
const char16_t writeProtectedJapanese[] = u"このディスクは，ライトプロテクトされています。";
const char16_t writePasswordJapanese[] = u"このディスクは，パスワード付きでライトプロテクトされています。";
const char16_t readWritePasswordJapanese[] = u"このディスクは，パスワード付きでリード・ライトプロテクトされています。";

INSTANTIATE_TEST_SUITE_P(
    Texts, ProtectionNamed,
    testing::Values(
        ProtectionTextCase{"LongWrite", &MessageCatalogue::formatWriteProtectedConfirmText, writeProtectedEnglish,
                           writeProtectedJapanese},
        ProtectionTextCase{"LongWritePassword", &MessageCatalogue::formatWriteProtectedPasswordConfirmText,
                           writePasswordEnglish, writePasswordJapanese},
        ProtectionTextCase{"LongReadWritePassword", &MessageCatalogue::formatReadWriteProtectedPasswordConfirmText,
                           readWritePasswordEnglish, readWritePasswordJapanese},
        ProtectionTextCase{"SimpleWrite", &MessageCatalogue::simpleFormatWriteProtectedText,
                           u"This Disk is Write Protected.\r\n", writeProtectedJapanese},
        ProtectionTextCase{"SimpleWritePassword", &MessageCatalogue::simpleFormatWriteProtectedPasswordText,
                           writePasswordEnglish, writePasswordJapanese},
        ProtectionTextCase{"SimpleReadWritePassword", &MessageCatalogue::simpleFormatReadWriteProtectedPasswordText,
                           readWritePasswordEnglish, readWritePasswordJapanese}),
    [](const testing::TestParamInfo<ProtectionTextCase>& info) { return info.param.name; });

} // namespace
