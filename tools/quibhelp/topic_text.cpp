#include "tools/quibhelp/topic_text.h"

#include "frontend/line_breaking/line_breaks.h"

#include <cwchar>
#include <iconv.h>
#include <string>
#include <vector>

namespace {

const char japaneseHeading[] = "日本語\n------\n";

bool underlines(const std::string& line, char mark)
{
    if (line.size() < 3)
        return false;
    for (char c : line)
        if (c != mark)
            return false;
    return true;
}

std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// UTF-8 to UTF-16 and back, for the line breaker, through iconv: a whole
// line in one call (the topics are valid UTF-8; the pieces the breaker
// gives back are whole characters of it).
iconv_t toUtf16() { static iconv_t cd = iconv_open("UTF-16LE", "UTF-8"); return cd; }
iconv_t toUtf8() { static iconv_t cd = iconv_open("UTF-8", "UTF-16LE"); return cd; }

std::string convertedBytes(iconv_t cd, const char* bytes, std::size_t length)
{
    // Neither way takes more than twice the bytes it was given.
    std::string out(length * 2 + 4, '\0');
    if (cd == iconv_t(-1))
        return {};
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    char* made = out.data();
    std::size_t room = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &made, &room);
    out.resize(out.size() - room);
    return out;
}

std::u16string utf16Of(const std::string& text)
{
    std::string bytes = convertedBytes(toUtf16(), text.data(), text.size());
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = char16_t(static_cast<unsigned char>(bytes[2 * i]) | static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

std::string utf8Of(const char16_t* text, std::size_t length)
{
    std::string bytes(length * 2, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        bytes[2 * i] = char(text[i] & 0xFF);
        bytes[2 * i + 1] = char(text[i] >> 8);
    }
    return convertedBytes(toUtf8(), bytes.data(), bytes.size());
}

int cellsOf(const char16_t* text, std::size_t start, std::size_t length, void*)
{
    int cells = 0;
    for (std::size_t i = start; i < start + length; ++i) {
        if (text[i] >= 0xDC00 && text[i] <= 0xDFFF)
            continue; // counted with its first half
        int width = ::wcwidth(static_cast<wchar_t>(text[i]));
        cells += width >= 2 ? 2 : width < 0 ? 1 : width;
    }
    return cells;
}

} // namespace

std::string topicInLanguage(const std::string& text, bool japanese)
{
    std::size_t at = text.find(japaneseHeading);
    if (!japanese || at == std::string::npos)
        return text;
    std::string english = text.substr(0, at);
    while (!english.empty() && english.back() == '\n')
        english.pop_back();
    std::string part = text.substr(at);
    while (!part.empty() && part.back() == '\n')
        part.pop_back();
    return part + "\n\n\nEnglish\n-------\n\n" + english + "\n";
}

std::string topicToHtml(const std::string& text)
{
    std::vector<std::string> lines = linesOf(text);
    std::string title = lines.empty() ? "" : lines[0];
    std::string body;
    std::size_t i = 0;
    while (i < lines.size()) {
        if (lines[i].empty()) {
            ++i;
            continue;
        }
        if (i + 1 < lines.size() && (underlines(lines[i + 1], '=') || underlines(lines[i + 1], '-'))) {
            const char* tag = underlines(lines[i + 1], '=') ? "h1" : "h2";
            body += std::string("<") + tag + ">" + escaped(lines[i]) + "</" + tag + ">\n";
            i += 2;
            continue;
        }
        std::size_t end = i;
        while (end < lines.size() && !lines[end].empty())
            ++end;
        bool indented = lines[i][0] == ' ';
        if (indented) {
            body += "<pre>";
            for (std::size_t k = i; k < end; ++k)
                body += escaped(lines[k]) + "\n";
            body += "</pre>\n";
        } else {
            body += "<p>";
            for (std::size_t k = i; k < end; ++k)
                body += escaped(lines[k]) + (k + 1 < end ? "<br>\n" : "");
            body += "</p>\n";
        }
        i = end;
    }
    return "<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + escaped(title) + "</title>\n</head>\n<body>\n" +
           body + "</body>\n</html>\n";
}

std::string wrapToWidth(const std::string& text, int cols)
{
    std::string out;
    for (const std::string& line : linesOf(text)) {
        std::u16string wide = utf16Of(line);
        if (cellsOf(wide.c_str(), 0, wide.size(), nullptr) <= cols || wide.size() >= maxBrokenTextLength) {
            out += line + "\n";
            continue;
        }
        std::size_t indent = 0;
        while (indent < wide.size() && wide[indent] == u' ')
            ++indent;
        int room = cols - int(indent) > 8 ? cols - int(indent) : cols;
        std::u16string rest = wide.substr(indent);
        TextLine pieces[256];
        std::size_t count = breakLines(rest.c_str(), room, cellsOf, nullptr, pieces, 256);
        std::string margin(room == cols ? 0 : indent, ' ');
        for (std::size_t k = 0; k < count && k < 256; ++k)
            out += margin + utf8Of(rest.c_str() + pieces[k].start, pieces[k].length) + "\n";
    }
    return out;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
