#include "frontend/command_line/job_report.h"

#include "os/code_page.h"

#include <cerrno>
#include <cstring>

namespace {

void writeJsonString(std::FILE* stream, const char* text)
{
    std::fputc('"', stream);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != '\0'; ++p) {
        if (*p == '"' || *p == '\\')
            std::fprintf(stream, "\\%c", *p);
        else if (*p < 0x20 || *p == 0x7F)
            std::fprintf(stream, "\\u%04x", *p);
        else
            std::fputc(*p, stream);
    }
    std::fputc('"', stream);
}

// The label between the brackets the dialog puts around it.
void labelInside(const char* shown, char* out, std::size_t capacity)
{
    std::size_t length = std::strlen(shown);
    if (length >= 2 && shown[0] == '[' && shown[length - 1] == ']') {
        ++shown;
        length -= 2;
    }
    if (length >= capacity)
        length = capacity - 1;
    std::memcpy(out, shown, length);
    out[length] = '\0';
}

int firstStandardOutputError = 0;

// The protection states as stable English words, the same in every
// language, for scripts that read the JSON status.
struct ProtectionWord {
    unsigned state;
    const char* word;
};

constexpr ProtectionWord protectionWords[] = {
    {0, "none"},
    {2, "write"},
    {3, "write-password"},
    {5, "read-write-password"},
    {10, "write-lifted-until-eject"},
    {11, "write-password-lifted-until-eject"},
    {13, "read-write-password-lifted-until-eject"},
    {0xFFFE, "no-disk"},
    {0xFFFF, "no-drive"},
};

const char* protectionWord(const StatusReport& report)
{
    if (report.stateKnown)
        for (const ProtectionWord& entry : protectionWords)
            if (entry.state == report.state)
                return entry.word;
    return "unknown";
}

} // namespace

void flushOutput(std::FILE* stream)
{
    if (std::fflush(stream) != 0 && stream == stdout && firstStandardOutputError == 0)
        firstStandardOutputError = errno;
}

int standardOutputError() { return firstStandardOutputError; }

void visibleText(const char* text, char* out, std::size_t capacity)
{
    std::size_t used = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != '\0'; ++p) {
        unsigned control = 0x100; // none
        if (*p < 0x20 || *p == 0x7F)
            control = *p;
        else if (*p == 0xC2 && p[1] >= 0x80 && p[1] <= 0x9F)
            control = *++p; // U+0080 to U+009F, two bytes in UTF-8
        if (control < 0x100) {
            if (used + 6 >= capacity)
                break;
            std::snprintf(out + used, capacity - used, "\\u%04x", control);
            used += 6;
            continue;
        }
        // A character's continuation bytes follow its first: cut before a
        // first byte that leaves no room for the whole character.
        std::size_t bytes = *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : *p >= 0xC0 ? 2 : 1;
        if (used + bytes >= capacity)
            break;
        std::size_t i = 0;
        for (; i < bytes && p[i] != '\0'; ++i)
            out[used++] = char(p[i]);
        p += i - 1;
    }
    out[used] = '\0';
}

void writeProgramText(std::FILE* stream, const char16_t* text)
{
    char line[1024];
    if (!programTextToUtf8(text, line, sizeof line))
        std::snprintf(line, sizeof line, "?");
    std::fprintf(stream, "%s\n", line);
    flushOutput(stream);
}

void writeStatusReport(const StatusReport& report, bool json)
{
    char driveLine[512], caption[512], label[512], status[512];
    if (!programTextToUtf8(report.driveLine, driveLine, sizeof driveLine))
        driveLine[0] = '\0';
    if (!programTextToUtf8(report.labelCaption, caption, sizeof caption))
        caption[0] = '\0';
    if (!programTextToUtf8(report.volumeLabel, label, sizeof label))
        label[0] = '\0';
    if (!programTextToUtf8(report.protectionStatus, status, sizeof status))
        status[0] = '\0';
    if (!json) {
        // The label and the folder name in the drive line come from the
        // disk and the driver.
        char shownDriveLine[512], shownLabel[512];
        visibleText(driveLine, shownDriveLine, sizeof shownDriveLine);
        visibleText(label, shownLabel, sizeof shownLabel);
        std::printf("%s\n%s %s\n%s\n", shownDriveLine, caption, shownLabel, status);
        flushOutput(stdout);
        return;
    }
    char inside[512];
    labelInside(label, inside, sizeof inside);
    std::fputs("{\"driveLine\":", stdout);
    writeJsonString(stdout, driveLine);
    std::fputs(",\"volumeLabel\":", stdout);
    writeJsonString(stdout, inside);
    std::fputs(",\"status\":", stdout);
    writeJsonString(stdout, status);
    std::printf(",\"drive\":%s,\"disk\":%s", report.drivePresent ? "true" : "false",
                report.diskPresent ? "true" : "false");
    std::printf(",\"fileSystem\":%s", report.fileSystem ? "true" : "false");
    if (report.stateKnown)
        std::printf(",\"state\":%u", report.state);
    else
        std::fputs(",\"state\":null", stdout);
    std::printf(",\"protection\":\"%s\"}\n", protectionWord(report));
    flushOutput(stdout);
}
