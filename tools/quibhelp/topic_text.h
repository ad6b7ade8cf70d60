// A help topic's text as the viewer shows it: in the run's language first,
// as a web page for the help window, and wrapped to a terminal's width.
#pragma once

#include <string>
#include <vector>

// The text's lines, without their '\n' (a last line without one counts).
std::vector<std::string> linesOf(const std::string& text);

// The topic (UTF-8, an English part and then one headed "日本語") with the
// part of the run's language first: a Japanese run gets the Japanese part
// and the English one below it; an English run the topic as written.
std::string topicInLanguage(const std::string& text, bool japanese);

// The topic as simple HTML: a line underlined with '=' a title, with '-' a
// heading; indented blocks (tables of terms) preformatted; other blocks
// paragraphs keeping their lines.
std::string topicToHtml(const std::string& text);

// Lines wider than cols terminal cells broken by Unicode's line-breaking
// rules, each continuation indented as its line was; the rest as written.
std::string wrapToWidth(const std::string& text, int cols);
