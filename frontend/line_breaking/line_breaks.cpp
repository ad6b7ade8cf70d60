#include "frontend/line_breaking/line_breaks.h"

#include <linebreak.h>

#include <cstring>

namespace {

char breakLanguage[8] = "en";
bool rulesLoaded = false;
// Where each unit of the text being broken may end a line; one text at a
// time, on the program's one thread.
char breaks[maxBrokenTextLength];

bool isLineBreak(char16_t unit)
{
    return unit == u'\r' || unit == u'\n' || unit == u'\v' || unit == u'\f' || unit == 0x0085 || unit == 0x2028 ||
           unit == 0x2029;
}

// The end of units [start, end) without the line break and the blanks that close them.
std::size_t contentEnd(const char16_t* text, std::size_t start, std::size_t end)
{
    while (end > start && isLineBreak(text[end - 1]))
        --end;
    while (end > start && text[end - 1] == u' ')
        --end;
    return end;
}

// Small kana and the prolonged sound mark (class CJ): Japanese never starts
// a line with them. The rules leave that to the tailoring; this one is the
// strict one, CJ taken as NS.
bool isConditionalJapaneseStarter(char16_t unit)
{
    switch (unit) {
    case u'ぁ': case u'ぃ': case u'ぅ': case u'ぇ': case u'ぉ': case u'っ': case u'ゃ': case u'ゅ': case u'ょ':
    case u'ゎ': case u'ゕ': case u'ゖ': case u'ァ': case u'ィ': case u'ゥ': case u'ェ': case u'ォ': case u'ッ':
    case u'ャ': case u'ュ': case u'ョ': case u'ヮ': case u'ヵ': case u'ヶ': case u'ー':
        return true;
    default:
        return (unit >= 0x31F0 && unit <= 0x31FF) || (unit >= 0xFF67 && unit <= 0xFF70);
    }
}

} // namespace

void setLineBreakLanguage(const char* language)
{
    std::strncpy(breakLanguage, language, sizeof breakLanguage - 1);
    breakLanguage[sizeof breakLanguage - 1] = '\0';
}

std::size_t breakLines(const char16_t* text, int maxWidth, TextWidth width, void* context, TextLine* lines,
                       std::size_t capacity)
{
    if (maxWidth < 1)
        maxWidth = 1;
    std::size_t length = 0;
    while (length < maxBrokenTextLength && text[length] != u'\0')
        ++length;
    if (!rulesLoaded) {
        init_linebreak();
        rulesLoaded = true;
    }
    if (length > 0)
        set_linebreaks_utf16(reinterpret_cast<const utf16_t*>(text), length, breakLanguage, breaks);
    for (std::size_t i = 1; i < length; ++i)
        if (isConditionalJapaneseStarter(text[i]) && breaks[i - 1] == LINEBREAK_ALLOWBREAK)
            breaks[i - 1] = LINEBREAK_NOBREAK;

    std::size_t count = 0;
    auto emit = [&](std::size_t start, std::size_t end) {
        if (count < capacity)
            lines[count] = TextLine{start, end - start, width(text, start, end - start, context)};
        ++count;
    };
    if (length == 0) {
        emit(0, 0);
        return count;
    }

    std::size_t lineStart = 0;
    while (lineStart < length) {
        std::size_t fitEnd = 0, fitNext = 0; // the last opportunity that fits; fitNext 0 for none
        std::size_t charStart = lineStart;
        std::size_t next = lineStart;
        bool ended = false;
        for (std::size_t i = lineStart; i < length; ++i) {
            if (breaks[i] == LINEBREAK_INSIDEACHAR)
                continue; // the first unit of a surrogate pair
            std::size_t end = i + 1;
            std::size_t shown = contentEnd(text, lineStart, end);
            bool overflows = charStart > lineStart && width(text, lineStart, shown - lineStart, context) > maxWidth;
            if (overflows) {
                if (fitNext != 0 && fitEnd > lineStart) { // a line of blanks alone says nothing
                    emit(lineStart, fitEnd);
                    next = fitNext;
                } else {
                    // No opportunity fits: the line ends between two characters.
                    emit(lineStart, contentEnd(text, lineStart, charStart));
                    next = charStart;
                }
                ended = true;
                break;
            }
            if (breaks[i] == LINEBREAK_MUSTBREAK) {
                emit(lineStart, shown);
                next = end;
                ended = true;
                break;
            }
            if (breaks[i] == LINEBREAK_ALLOWBREAK) {
                fitEnd = shown;
                fitNext = end;
            }
            charStart = end;
            next = end;
        }
        if (!ended) // the rules always end a text with a break; kept safe all the same
            emit(lineStart, contentEnd(text, lineStart, length));
        lineStart = next;
    }
    return count;
}
