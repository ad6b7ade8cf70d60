#include "frontend/command_line/job_report.h"

#include "platform/code_page.h"

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

} // namespace

void writeProgramText(std::FILE* stream, const char16_t* text)
{
    char line[1024];
    if (!programTextToUtf8(text, line, sizeof line))
        std::snprintf(line, sizeof line, "?");
    std::fprintf(stream, "%s\n", line);
    std::fflush(stream);
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
        std::printf("%s\n%s %s\n%s\n", driveLine, caption, label, status);
        std::fflush(stdout);
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
    std::printf(",\"drive\":%s,\"disk\":%s}\n", report.drivePresent ? "true" : "false",
                report.diskPresent ? "true" : "false");
    std::fflush(stdout);
}
