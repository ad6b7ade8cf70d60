// The help viewer's own handling of a topic: the run's language first, the
// web page its window renders, the window's width fitted to the page's
// longest line (no horizontal scroll bar, nothing cut at the right), and
// lines wrapped to a narrow terminal by Unicode's rules.
#include "frontend/line_breaking/line_breaks.h"
#include "tools/quibhelp/help_window.h"
#include "tools/quibhelp/topic_text.h"
#include "tests/desktop/virtual_display.h"

#include <FL/Fl.H>
#include <FL/Fl_Help_View.H>

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char* const topics[] = {"QuibUSB.htc", "QuibUSBStatus.htp", "QuibUSBFolder.htp", "QuibUSBFormat.htp",
                              "QuibUSBProtect.htp"};

std::string topicFile(const std::string& topic)
{
    std::ifstream in(std::string(QUIB_SOURCE_DIR) + "/help/" + topic, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(HelpTopicText, AJapaneseRunShowsTheJapanesePartFirst)
{
    for (const char* topic : topics) {
        std::string text = topicFile(topic);
        std::size_t japanese = text.find("日本語\n------\n");
        ASSERT_NE(japanese, std::string::npos) << topic;
        EXPECT_EQ(topicInLanguage(text, false), text) << topic;
        std::string shown = topicInLanguage(text, true);
        EXPECT_EQ(shown.rfind("日本語\n------\n", 0), 0u) << topic;
        std::size_t english = shown.find("\nEnglish\n-------\n\n");
        ASSERT_NE(english, std::string::npos) << topic;
        // Both parts whole: the Japanese one, then the English one.
        std::string japanesePart = text.substr(japanese);
        while (japanesePart.back() == '\n')
            japanesePart.pop_back();
        EXPECT_EQ(shown.substr(0, japanesePart.size()), japanesePart) << topic;
        EXPECT_NE(shown.find(text.substr(0, japanese - 3), english), std::string::npos) << topic;
    }
}

TEST(HelpTopicText, TheWebPageHasHeadingsTablesAndParagraphs)
{
    std::string page = topicToHtml(topicFile("QuibUSBStatus.htp"));
    EXPECT_NE(page.find("<title>Status</title>"), std::string::npos);
    EXPECT_NE(page.find("<h1>Status</h1>"), std::string::npos);
    EXPECT_NE(page.find("<h2>日本語</h2>"), std::string::npos);
    EXPECT_EQ(page.find("======"), std::string::npos) << page; // underlines become headings
    EXPECT_NE(page.find("<p>The Status dialog shows what the drive reports at the moment the dialog<br>\nopens."),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<pre>  Drive line     &quot;Drive #1 : Folder Name = Storage Card2&quot;"), std::string::npos)
        << page;
}

int cells(const std::string& line)
{
    std::wstring wide(line.size() + 1, L'\0');
    std::size_t n = std::mbstowcs(wide.data(), line.c_str(), wide.size());
    wide.resize(n == std::size_t(-1) ? 0 : n);
    int total = 0;
    for (wchar_t c : wide)
        total += ::wcwidth(c) >= 2 ? 2 : 1;
    return total;
}

TEST(HelpTopicText, ANarrowTerminalGetsLinesBrokenByTheRules)
{
    std::setlocale(LC_CTYPE, "C.UTF-8");
    setLineBreakLanguage("ja");
    for (const char* topic : topics) {
        std::string text = topicInLanguage(topicFile(topic), true);
        std::string wrapped = wrapToWidth(text, 40);
        std::size_t start = 0;
        while (start < wrapped.size()) {
            std::size_t end = wrapped.find('\n', start);
            std::string line = wrapped.substr(start, end - start);
            EXPECT_LE(cells(line), 40) << topic << ": " << line;
            std::size_t first = line.find_first_not_of(' ');
            if (first != std::string::npos) {
                for (const char* closing : {"。", "、", "，", "）", "」"})
                    EXPECT_NE(line.compare(first, std::strlen(closing), closing), 0) << topic << ": " << line;
            }
            start = end + 1;
        }
        EXPECT_EQ(wrapToWidth(text, 200), text) << topic; // wide enough: as written
    }
    setLineBreakLanguage("en");
}

class HelpWindow : public OnVirtualDisplay {};

// Each topic's window is as wide as its longest line needs: the page shows
// without a horizontal scroll bar, in both languages' order.
TEST_F(HelpWindow, IsWideEnoughForTheLongestLine)
{
    if (displayName().empty())
        GTEST_SKIP() << "Xvfb is not installed (scripts/install-packages.sh installs it)";
    for (const char* topic : topics) {
        for (bool japanese : {false, true}) {
            std::string page = topicToHtml(topicInLanguage(topicFile(topic), japanese));
            int width = 0, height = 0;
            helpWindowSize(page, &width, &height);
            EXPECT_LE(width, Fl::w()) << topic;
            EXPECT_LE(height, Fl::h()) << topic;
            EXPECT_GT(width, 400) << topic;
            Fl_Help_View view(8, 8, width - 16, height - 64);
            view.textfont(FL_HELVETICA);
            view.textsize(14);
            view.value(page.c_str());
            view.resize(view.x(), view.y(), view.w(), view.h());
            // The view's children: its vertical, then its horizontal scroll bar.
            ASSERT_EQ(view.children(), 2);
            EXPECT_FALSE(view.child(1)->visible()) << topic << (japanese ? " (Japanese)" : "") << ": width " << width;
        }
    }
}

} // namespace
