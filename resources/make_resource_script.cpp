// A build tool of the Windows build, run on the build machine: writes the
// program's resources as a resource script for windres, from the one table
// of templates the program carries (programResources): every dialog
// template as a DIALOGEX in its language, the logo bitmap and the icon. So
// the system's dialog manager runs exactly the templates the table holds.
//
//   make_resource_script OUT.rc LOGO.bmp ICON.ico
#include "dialogs/dialog_template.h"
#include "dialogs/module.h"

#include <cstdio>

namespace {

// Writes text as a quoted resource-script string in UTF-8: a quote doubled,
// a backslash and the line-break characters as escapes.
void writeString(std::FILE* out, const char16_t* text)
{
    std::fputc('"', out);
    for (const char16_t* p = text != nullptr ? text : u""; *p != u'\0'; ++p) {
        unsigned c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        }
        if (c == '"')
            std::fputs("\"\"", out);
        else if (c == '\\')
            std::fputs("\\\\", out);
        else if (c == '\r')
            std::fputs("\\r", out);
        else if (c == '\n')
            std::fputs("\\n", out);
        else if (c < 0x80)
            std::fputc(int(c), out);
        else if (c < 0x800)
            std::fprintf(out, "%c%c", 0xC0 | c >> 6, 0x80 | (c & 0x3F));
        else if (c < 0x10000)
            std::fprintf(out, "%c%c%c", 0xE0 | c >> 12, 0x80 | (c >> 6 & 0x3F), 0x80 | (c & 0x3F));
        else
            std::fprintf(out, "%c%c%c%c", 0xF0 | c >> 18, 0x80 | (c >> 12 & 0x3F), 0x80 | (c >> 6 & 0x3F),
                         0x80 | (c & 0x3F));
    }
    std::fputc('"', out);
}

const char* className(ControlClass controlClass)
{
    switch (controlClass) {
    case ControlClass::Button: return "Button";
    case ControlClass::Edit: return "Edit";
    case ControlClass::Static: return "Static";
    case ControlClass::ProgressBar: return "msctls_progress32";
    }
    return "Static";
}

// LANGUAGE takes the primary and the sub-language of a language id.
void writeLanguage(std::FILE* out, unsigned language)
{
    std::fprintf(out, "LANGUAGE 0x%02x, 0x%02x\n", language & 0x3FF, language >> 10);
}

// A control statement adds the visible style of its own: a control whose
// template lacks it says NOT.
void writeStyle(std::FILE* out, std::uint32_t style)
{
    std::fprintf(out, "0x%08x", unsigned(style));
    if ((style & styleVisible) == 0)
        std::fprintf(out, " | NOT 0x%08x", unsigned(styleVisible));
}

void writeDialog(std::FILE* out, const DialogTemplate& dialog)
{
    writeLanguage(out, dialog.resourceLanguage);
    std::fprintf(out, "%u DIALOGEX %d, %d, %d, %d\n", unsigned(dialog.id), dialog.x, dialog.y, dialog.width,
                 dialog.height);
    std::fprintf(out, "STYLE 0x%08x\n", unsigned(dialog.style));
    std::fprintf(out, "EXSTYLE 0x%08x\n", unsigned(dialog.extendedStyle));
    std::fputs("CAPTION ", out);
    writeString(out, dialog.title);
    std::fprintf(out, "\nFONT %u, ", unsigned(dialog.pointSize));
    writeString(out, dialog.typeface);
    std::fputs(", 0, 0, 0\nBEGIN\n", out);
    for (std::size_t i = 0; i < dialog.controlCount; ++i) {
        const ControlTemplate& control = dialog.controls[i];
        std::fputs("  CONTROL ", out);
        // A bitmap static names its bitmap by number.
        if (control.bitmapId != 0)
            std::fprintf(out, "%u", unsigned(control.bitmapId));
        else
            writeString(out, control.text);
        std::fprintf(out, ", %u, \"%s\", ", unsigned(control.id), className(control.controlClass));
        writeStyle(out, control.style);
        std::fprintf(out, ", %d, %d, %d, %d, 0x%08x\n", control.x, control.y, control.width, control.height,
                     unsigned(control.extendedStyle));
    }
    std::fputs("END\n\n", out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: make_resource_script OUT.rc LOGO.bmp ICON.ico\n", stderr);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fputs("// Made by make_resource_script from the program's templates: do not edit.\n"
               "#pragma code_page(65001)\n\n",
               out);
    for (std::size_t i = 0; i < programResources.dialogCount; ++i)
        writeDialog(out, *programResources.dialogs[i]);
    for (std::size_t i = 0; i < programResources.bitmapCount; ++i) {
        const BitmapResource& bitmap = *programResources.bitmaps[i];
        writeLanguage(out, bitmap.resourceLanguage);
        std::fprintf(out, "%u BITMAP \"%s\"\n\n", unsigned(bitmap.id), argv[2]);
    }
    // The program's icon, the one the system shows for quibtools.exe.
    std::fprintf(out, "LANGUAGE 0x00, 0x00\n1 ICON \"%s\"\n", argv[3]);
    return std::fclose(out) == 0 ? 0 : 1;
}
