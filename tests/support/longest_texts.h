// The longest text each field of the dialogs can be given, for the front
// ends' tests that every text shows whole: a drive line with a mount folder
// of 16 wide characters (the longest the driver names), a volume label of
// 11 bytes, the longest protection status (77 characters in English), the
// format's progress at 100 %.
#pragma once

#include <cstdint>

struct LongestText {
    std::uint16_t templateId;
    int controlId;
    const char16_t* text;
};

inline constexpr char16_t longestEnglishDriveLine[] = u"Drive #1 : Folder Name = ＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷ";
inline constexpr char16_t longestJapaneseDriveLine[] = u"Drive #1 : フォルダ名 = ＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷ";
inline constexpr char16_t longestEnglishStatus[] =
    u"Temporary Unprotected on Read/Write Protected with Password Disk until Eject.";
inline constexpr char16_t longestJapaneseStatus[] = u"リード・ライトプロテクト（パスワードつき）を一時的に解除中";

inline constexpr LongestText longestTexts[] = {
    {132, 1045, longestEnglishDriveLine}, {132, 1031, u"[WWWWWWWWWWW]"}, {132, 1021, longestEnglishStatus},
    {118, 1045, longestJapaneseDriveLine}, {118, 1031, u"[漢字漢字漢W]"}, {118, 1021, longestJapaneseStatus},
    {128, 1040, longestEnglishDriveLine}, {128, 1041, longestEnglishStatus},
    {116, 1040, longestJapaneseDriveLine}, {116, 1041, longestJapaneseStatus},
    {131, 1042, longestEnglishDriveLine}, {131, 1043, longestEnglishStatus},
    {112, 1042, longestJapaneseDriveLine}, {112, 1043, longestJapaneseStatus},
    {133, 1046, u"Formatting...\r\nPlease Wait.\r\n 100% Complete."},
    {124, 1046, u"Formatting...\r\nPlease Wait.\r\n 100% Complete."},
    {117, 1046, u"フォーマット実行中です。\r\nしばらくお待ちください。\r\n 100% 完了"},
};
