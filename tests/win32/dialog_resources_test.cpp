// The RT_DIALOG resources of the Windows build hold exactly the program's
// templates: each one read back from the module the system runs it from,
// field by field (styles, rectangles, title, font, every control's class,
// id, style and text), against the table the program carries. A fault in
// writing the resource script (a text escaped wrongly, a style the resource
// compiler adds of its own, a lost language) shows here.
#include "dialogs/dialog_template.h"
#include "dialogs/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <windows.h>

namespace {

// Reads the resource's words in order.
struct Reader {
    const std::uint8_t* at;
    std::uint16_t word() { std::uint16_t v; std::memcpy(&v, at, 2); at += 2; return v; }
    std::uint32_t dword() { std::uint32_t v; std::memcpy(&v, at, 4); at += 4; return v; }
    std::int16_t coordinate() { return std::int16_t(word()); }
    // A name or number: the text, or "#N" for a number.
    std::u16string nameOrNumber()
    {
        std::uint16_t first = word();
        if (first == 0)
            return u"";
        if (first == 0xFFFF)
            return u"#" + numberText(word());
        std::u16string text(1, char16_t(first));
        for (std::uint16_t c = word(); c != 0; c = word())
            text += char16_t(c);
        return text;
    }
    std::u16string text()
    {
        std::u16string value;
        for (std::uint16_t c = word(); c != 0; c = word())
            value += char16_t(c);
        return value;
    }
    void alignToDword(const std::uint8_t* start)
    {
        while ((at - start) % 4 != 0)
            ++at;
    }
    static std::u16string numberText(unsigned n)
    {
        std::u16string digits;
        do {
            digits.insert(digits.begin(), char16_t(u'0' + n % 10));
            n /= 10;
        } while (n != 0);
        return digits;
    }
};

std::u16string upper(std::u16string text)
{
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
    return text;
}

const char16_t* classOf(ControlClass controlClass)
{
    switch (controlClass) {
    case ControlClass::Button: return u"BUTTON";
    case ControlClass::Edit: return u"EDIT";
    case ControlClass::Static: return u"STATIC";
    case ControlClass::ProgressBar: return u"MSCTLS_PROGRESS32";
    }
    return u"";
}

// A number as nameOrNumber gives it.
std::u16string numberName(unsigned n) { return u"#" + Reader::numberText(n); }

TEST(DialogResources, EveryTemplateIsItsOwnResourceFieldForField)
{
    HMODULE module = GetModuleHandleW(nullptr);
    ASSERT_GT(programResources.dialogCount, 0u);
    for (std::size_t d = 0; d < programResources.dialogCount; ++d) {
        const DialogTemplate& dialog = *programResources.dialogs[d];
        SCOPED_TRACE("template " + std::to_string(dialog.id));
        HRSRC found = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(dialog.id), dialog.resourceLanguage);
        ASSERT_NE(found, nullptr) << "no resource in language " << dialog.resourceLanguage;
        const auto* start = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
        ASSERT_NE(start, nullptr);
        Reader read{start};
        EXPECT_EQ(read.word(), 1);      // the extended template's version
        EXPECT_EQ(read.word(), 0xFFFF); // and signature
        read.dword();                   // help id
        EXPECT_EQ(read.dword(), dialog.extendedStyle);
        EXPECT_EQ(read.dword(), dialog.style);
        ASSERT_EQ(read.word(), dialog.controlCount);
        EXPECT_EQ(read.coordinate(), dialog.x);
        EXPECT_EQ(read.coordinate(), dialog.y);
        EXPECT_EQ(read.coordinate(), dialog.width);
        EXPECT_EQ(read.coordinate(), dialog.height);
        EXPECT_EQ(read.nameOrNumber(), u"");  // no menu
        EXPECT_EQ(read.nameOrNumber(), u"");  // the system's dialog class
        EXPECT_EQ(read.text(), dialog.title);
        EXPECT_EQ(read.word(), dialog.pointSize);
        read.word();                          // weight
        read.word();                          // italic and character set
        EXPECT_EQ(read.text(), dialog.typeface);
        for (std::size_t i = 0; i < dialog.controlCount; ++i) {
            const ControlTemplate& control = dialog.controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(control.id));
            read.alignToDword(start);
            read.dword(); // help id
            EXPECT_EQ(read.dword(), control.extendedStyle);
            EXPECT_EQ(read.dword(), control.style);
            EXPECT_EQ(read.coordinate(), control.x);
            EXPECT_EQ(read.coordinate(), control.y);
            EXPECT_EQ(read.coordinate(), control.width);
            EXPECT_EQ(read.coordinate(), control.height);
            EXPECT_EQ(read.dword(), control.id);
            EXPECT_EQ(upper(read.nameOrNumber()), classOf(control.controlClass));
            std::u16string text = read.nameOrNumber();
            if (control.bitmapId != 0)
                EXPECT_EQ(text, numberName(control.bitmapId));
            else
                EXPECT_EQ(text, control.text);
            std::uint16_t extra = read.word();
            read.at += extra;
        }
    }
}

TEST(DialogResources, TheLogoBitmapAndTheIconAreThere)
{
    HMODULE module = GetModuleHandleW(nullptr);
    for (std::size_t i = 0; i < programResources.bitmapCount; ++i) {
        const BitmapResource& bitmap = *programResources.bitmaps[i];
        HRSRC found = FindResourceExW(module, RT_BITMAP, MAKEINTRESOURCEW(bitmap.id), bitmap.resourceLanguage);
        ASSERT_NE(found, nullptr) << bitmap.id;
        const auto* info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->biWidth, bitmap.width);
        EXPECT_EQ(info->biHeight < 0 ? -info->biHeight : info->biHeight, bitmap.height);
        EXPECT_EQ(info->biBitCount, bitmap.bitsPerPixel);
    }
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
}

} // namespace
