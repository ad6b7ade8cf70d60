// The script front end on a small dialog of the test's own: how script
// lines are read (line ends, NUL bytes, over-long lines), how texts are
// written into the transcript (escapes, bytes that are not UTF-8), that a
// typed line does not stay in memory, and how a run whose transcript cannot
// be written ends.
#include "dialogs/dialogs.h"
#include "frontend/script/script_front_end.h"
#include "tests/support/script_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t visibleChild = styleVisible | styleChild;
constexpr std::uint32_t dialogStyle = 0x80C808C0;

const ControlTemplate controls[] = {
    {ControlClass::Edit, 1039, visibleChild | styleTabStop | styleBorder, 0, 10, 10, 80, 12, u"", 0},
    {ControlClass::Edit, 1027, visibleChild | styleTabStop | styleBorder | editPassword, 0, 10, 30, 80, 12, u"", 0},
    {ControlClass::Button, 1, visibleChild | styleTabStop | buttonDefaultPush, 0, 100, 10, 50, 14, u"OK", 0},
    {ControlClass::Button, 2, visibleChild | styleTabStop | buttonPush, 0, 100, 30, 50, 14, u"Close", 0},
};
const DialogTemplate sample = {600, 1033, dialogStyle, 0, 0, 0, 160, 60, u"Sample", 9, u"Arial", controls,
                               std::size(controls)};

// The text command 1 puts into field 1039: a label holding a terminal
// sequence, a tab, DEL, a C1 control, and the escapes kept as they were.
const char16_t hostileText[] = u"\x1b[2J\"A\\B\"\tC\x7f\x9b\r\nD\x00e9";

std::vector<int> commands;

bool procedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message == messageInitDialog)
        return true;
    if (message != messageCommand)
        return false;
    commands.push_back(int(first));
    if (first == 1)
        setControlText(dialog, 1039, hostileText);
    if (first == 2)
        endDialog(dialog, 1);
    return true;
}

std::string run(const std::string& script)
{
    commands.clear();
    ScriptSession<> session(script);
    runModalDialog(&sample, nullptr, procedure, 0);
    return session.transcript();
}

const std::string opened = "dialog open 600 \"Sample\"\n";
const std::string closed = "dialog close 600\n";

struct LineCase {
    const char* name;
    std::string input;
    std::vector<std::string> lines; // each line read; "NUL:" in front for one that held a NUL byte
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class ScriptLines : public testing::TestWithParam<LineCase> {};

TEST_P(ScriptLines, AreReadOneAtATime)
{
    const LineCase& c = GetParam();
    std::string input = c.input;
    std::FILE* script = fmemopen(input.data(), input.size(), "r");
    ASSERT_NE(script, nullptr);
    std::vector<std::string> lines;
    char line[16];
    for (;;) {
        ScriptLineStatus status = readScriptLine(script, line, sizeof line);
        if (status == ScriptLineStatus::End)
            break;
        lines.push_back((status == ScriptLineStatus::HoldsNul ? "NUL:" : "") + std::string(line));
        ASSERT_LT(lines.size(), 20u);
    }
    std::fclose(script);
    EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptLines,
    testing::Values(LineCase{"LineEnds", "a\nb\r\n\nc\r\r\nlast", {"a", "b", "", "c", "last"}},
                    LineCase{"NulRefusesItsLineOnly", std::string("click 1\0 trailing\nkey escape\n", 29),
                             {"NUL:click 1", "key escape"}},
                    LineCase{"NulFirst", std::string("\0\nx\n", 4), {"NUL:", "x"}},
                    LineCase{"NulPastTheCapacity", std::string("0123456789abcdefghij\0k\nx\n", 25),
                             {"NUL:0123456789abcde", "x"}},
                    LineCase{"OverLongLineIsCutAndItsRestSkipped", "0123456789abcdefghij\nx\n",
                             {"0123456789abcde", "x"}},
                    LineCase{"Empty", "", {}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// The line holding the NUL byte is refused as a whole, none of it runs, and
// the next line is read as usual.
TEST(ScriptFrontEnd, LineWithANulByteIsRefusedAndTheNextLineRuns)
{
    std::string transcript = run(std::string("click 1\0 trailing\nkey escape\n", 29));
    EXPECT_EQ(transcript, opened + "refused \"click\" \"the line holds a NUL byte\"\n" + closed);
    EXPECT_EQ(commands, std::vector<int>{2});
}

// Control characters are escaped, \\ \" \r \n as before; the rest of the
// text stays UTF-8 as it was.
TEST(ScriptFrontEnd, ControlCharactersInTextsAreEscaped)
{
    std::string transcript = run("click 1\nkey escape\n");
    EXPECT_EQ(transcript, opened +
                              "text 1039 \"\\u001b[2J\\\"A\\\\B\\\"\\u0009C\\u007f\\u009b\\r\\nD\xC3\xA9\"\n" +
                              closed);
}

// The first word of a line that is no action is echoed with each byte that
// is not UTF-8 replaced by U+FFFD, and with its control characters escaped.
TEST(ScriptFrontEnd, FirstWordOfARefusedLineIsValidUtf8)
{
    std::string transcript = run("\xFF\xC3(\xED\xA0\x80\x1b" "click 1\nkey escape\n");
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(transcript, opened + "refused \"" + replacement + replacement + "(" + replacement + replacement +
                              replacement + "\\u001bclick\" \"not an action\"\n" + closed);
}

// Once its action is taken, a typed line (a password, say) is no longer in
// the front end's memory.
TEST(ScriptFrontEnd, TypedLineDoesNotStayInItsMemory)
{
    ScriptSession<> session("type 1027 Secret-Quib-77\nkey escape\n");
    runModalDialog(&sample, nullptr, procedure, 0);
    const char secret[] = "Secret-Quib-77";
    const void* found = memmem(&session.frontEnd(), sizeof(ScriptFrontEnd), secret, sizeof secret - 1);
    EXPECT_EQ(found, nullptr);
    EXPECT_NE(session.transcript().find(closed), std::string::npos);
}

// A transcript that accepts no more bytes once its reader has gone.
bool readerGone = false;

ssize_t writeUnlessGone(void*, const char*, size_t size)
{
    if (readerGone) {
        errno = EPIPE;
        return -1;
    }
    return ssize_t(size);
}

// The work of command 1: the reader goes away in the middle of it, and the
// work goes on to its end all the same.
bool workingProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message != messageCommand)
        return message == messageInitDialog;
    if (first == 1) {
        setControlText(dialog, 1039, u"first half");
        readerGone = true;
        setControlText(dialog, 1039, u"second half");
        std::fputs("work finished\n", stderr);
    }
    if (first == 2)
        endDialog(dialog, 1);
    return true;
}

TEST(ScriptFrontEndDeathTest, LostTranscriptEndsTheRunAfterTheWorkInHand)
{
    EXPECT_EXIT(
        {
            readerGone = false;
            std::FILE* in = fmemopen(const_cast<char*>("click 1\nclick 2\n"), 16, "r");
            std::FILE* out = fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, writeUnlessGone, nullptr, nullptr});
            ScriptFrontEnd frontEnd(in, out);
            installFrontEnd(&frontEnd);
            runModalDialog(&sample, nullptr, workingProcedure, 0);
            std::fputs("click 2 was taken\n", stderr);
            std::exit(0);
        },
        testing::ExitedWithCode(ScriptFrontEnd::transcriptLostExitCode),
        "work finished\nquibtools: the transcript cannot be written \\(Broken pipe\\); the run ends\n$");
}

// A transcript lost on the last line still ends the run with status 5.
TEST(ScriptFrontEndDeathTest, TranscriptLostAtTheEndGivesStatus5)
{
    EXPECT_EXIT(
        {
            std::FILE* full = std::fopen("/dev/full", "w");
            ScriptFrontEnd frontEnd(std::fopen("/dev/null", "r"), full);
            frontEnd.programEnded(1);
            std::exit(0);
        },
        testing::ExitedWithCode(ScriptFrontEnd::transcriptLostExitCode),
        "quibtools: the transcript cannot be written \\(No space left on device\\); the run ends");
}

} // namespace
