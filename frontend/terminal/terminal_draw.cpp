#include "frontend/terminal/terminal_draw.h"

#include "dialogs/message_box.h"
#include "frontend/terminal/terminal_screen.h"
#include "os/wide_format.h"

#include <cstdio>
#include <cstring>
#include <curses.h>
#include <cwchar>

namespace {

constexpr std::size_t maxWrappedLines = 16;

attr_t lookOf(Look look) { return attr_t(screenLook(look)); }

// What is drawn without attributes of its own takes the background's look.
void useBackground(Look look) { bkgdset(chtype(' ') | lookOf(look)); }

// Writes units [0, length) of text from a screen cell, at most maxCells
// cells of whole characters, each as shownCharacter gives it; returns the
// cells written.
int putText(int row, int col, const char16_t* text, std::size_t length, int maxCells, attr_t attributes = A_NORMAL)
{
    if (maxCells <= 0)
        return 0;
    int cells = 0;
    std::size_t units = unitsFitting(text, length, maxCells, &cells);
    wchar_t shown[controlTextCapacity + 1];
    std::size_t n = 0;
    for (std::size_t i = 0; i < units && n < controlTextCapacity;) {
        shown[n++] = static_cast<wchar_t>(shownCharacter(nextCharacter(text, &i)));
    }
    shown[n] = L'\0';
    attron(attributes);
    mvaddnwstr(row, col, shown, int(n));
    attroff(attributes);
    return cells;
}

int putAscii(int row, int col, const char* text, int maxCells, attr_t attributes = A_NORMAL)
{
    int n = 0;
    while (text[n] != '\0' && n < maxCells)
        ++n;
    attron(attributes);
    mvaddnstr(row, col, text, n);
    attroff(attributes);
    return n;
}

void blank(int row, int col, int cols, attr_t attributes = A_NORMAL)
{
    if (cols <= 0)
        return;
    attron(attributes);
    mvhline(row, col, ' ', cols);
    attroff(attributes);
}

chtype lineChar(chtype drawn, char ascii) { return screenDrawsLines() ? drawn : chtype(ascii); }

void drawBox(const CellRect& box)
{
    if (box.cols < 2 || box.rows < 1)
        return;
    int right = box.col + box.cols - 1;
    int bottom = box.row + box.rows - 1;
    mvhline(box.row, box.col + 1, lineChar(ACS_HLINE, '-'), box.cols - 2);
    mvaddch(box.row, box.col, lineChar(ACS_ULCORNER, '+'));
    mvaddch(box.row, right, lineChar(ACS_URCORNER, '+'));
    if (box.rows < 2)
        return;
    for (int row = box.row + 1; row < bottom; ++row) {
        mvaddch(row, box.col, lineChar(ACS_VLINE, '|'));
        mvaddch(row, right, lineChar(ACS_VLINE, '|'));
    }
    mvhline(bottom, box.col + 1, lineChar(ACS_HLINE, '-'), box.cols - 2);
    mvaddch(bottom, box.col, lineChar(ACS_LLCORNER, '+'));
    mvaddch(bottom, right, lineChar(ACS_LRCORNER, '+'));
}

// A title inside a frame's top line, " Title " where the room allows.
void drawTitle(int row, int col, int room, const char16_t* title)
{
    std::size_t length = wideLength(title);
    if (length == 0 || room <= 0)
        return;
    if (textCells(title, length) + 2 <= room) {
        mvaddch(row, col, ' ');
        int cells = putText(row, col + 1, title, length, room - 2, lookOf(Look::Title));
        mvaddch(row, col + 1 + cells, ' ');
    } else {
        putText(row, col, title, length, room, lookOf(Look::Title));
    }
}

// Text wrapped into the rows and columns of a rectangle.
void drawWrapped(const CellRect& area, const char16_t* text, attr_t attributes)
{
    TextLine lines[maxWrappedLines];
    std::size_t count = wrapText(text, area.cols, lines, maxWrappedLines);
    for (std::size_t i = 0; i < count && i < maxWrappedLines && int(i) < area.rows; ++i)
        putText(area.row + int(i), area.col, text + lines[i].start, lines[i].length, area.cols, attributes);
}

// "[ Close ]"; the button Enter presses "[>Close<]", in the dialog that
// takes input only. Without room for that, "[Close]" or ">Close<", and the
// caption cut as a last resort.
void drawPushButton(const ControlState& control, const CellRect& cells, bool active, bool focused)
{
    std::size_t length = wideLength(control.text);
    int captionCells = textCells(control.text, length);
    // A disabled default button is not the one Enter presses: Enter is refused.
    bool marked = active && control.isDefault && control.enabled;
    attr_t attributes = A_NORMAL;
    if (focused)
        attributes = lookOf(Look::Focus) | (marked ? A_BOLD : A_NORMAL);
    else if (!control.enabled)
        attributes = lookOf(Look::Disabled);
    else if (marked)
        attributes = lookOf(Look::DefaultButton);
    const char* open = marked ? "[>" : "[ ";
    const char* close = marked ? "<]" : " ]";
    int inner = cells.cols - 4;
    if (captionCells > inner) {
        open = marked ? ">" : "[";
        close = marked ? "<" : "]";
        inner = cells.cols - 2;
    }
    int shownCells = captionCells < inner ? captionCells : inner;
    int total = shownCells + (cells.cols - inner);
    int col = cells.col + (cells.cols - total) / 2;
    col += putAscii(cells.row, col, open, 2, attributes);
    col += putText(cells.row, col, control.text, length, inner, attributes);
    putAscii(cells.row, col, close, 2, attributes);
}

// "(*) Caption" for a radio button, "[x] Caption" for a check box. The
// focused one also takes the cursor, on its mark, so the focus shows
// without colours too.
void drawChoice(const ControlState& control, const CellRect& cells, int textCols, bool focused, CursorPlace* cursor)
{
    bool radio = control.kind == ControlKind::RadioButton;
    const char* mark = radio ? (control.checked ? "(*) " : "( ) ") : (control.checked ? "[x] " : "[ ] ");
    attr_t attributes = control.enabled ? A_NORMAL : lookOf(Look::Disabled);
    int markCells = putAscii(cells.row, cells.col, mark, textCols, attributes);
    if (focused) {
        attributes = lookOf(Look::Focus);
        if (markCells >= 2)
            *cursor = CursorPlace{true, cells.row, cells.col + 1};
    }
    putText(cells.row, cells.col + markCells, control.text, wideLength(control.text), textCols - markCells, attributes);
}

// What an edit field shows: its text, or one '*' per character of a password.
void shownFieldText(const ControlState& control, char16_t* out)
{
    if (!isPasswordEdit(&control)) {
        copyWide(out, controlTextCapacity, control.text);
        return;
    }
    std::size_t n = 0;
    for (std::size_t i = 0; control.text[i] != u'\0';) {
        nextCharacter(control.text, &i);
        out[n++] = u'*';
    }
    out[n] = u'\0';
}

// Units of the shown text before unit index `units` of the real text.
std::size_t shownUnits(const ControlState& control, std::size_t units)
{
    if (!isPasswordEdit(&control))
        return units;
    std::size_t n = 0;
    for (std::size_t i = 0; i < units && control.text[i] != u'\0';) {
        nextCharacter(control.text, &i);
        ++n;
    }
    return n;
}

void drawEdit(DialogHandle dialog, const ControlState& control, const CellRect& cells, int textCols, bool focused,
              EditCursor* edit, CursorPlace* cursor)
{
    attr_t attributes = control.enabled ? A_NORMAL : lookOf(Look::Disabled);
    // A read-only field that the layout gave more rows shows its text wrapped.
    if (isMultiLineEdit(&control) || (isReadOnlyEdit(&control) && cells.rows > 1)) {
        drawWrapped(cells, control.text, attributes);
        return;
    }
    char16_t shown[controlTextCapacity];
    shownFieldText(control, shown);
    bool editable = !isReadOnlyEdit(&control);
    int cols = editable ? cells.cols : textCols;
    if (editable) // the field's extent, where a person types
        attributes = control.enabled ? lookOf(Look::Field) : lookOf(Look::Disabled) | A_UNDERLINE;
    blank(cells.row, cells.col, cols, attributes);

    std::size_t first = 0;
    bool hasCursor = focused && edit->dialog == dialog && edit->controlId == control.source->id;
    if (hasCursor) {
        bool masked = isPasswordEdit(&control);
        first = scrollForCursor(control.text, edit->cursor, edit->firstShown, cols, masked);
        edit->firstShown = first;
        std::size_t from = shownUnits(control, first);
        std::size_t to = shownUnits(control, edit->cursor);
        *cursor = CursorPlace{true, cells.row, cells.col + textCells(shown + from, to - from)};
        first = from;
    }
    putText(cells.row, cells.col, shown + first, wideLength(shown + first), cols, attributes);
}

// The logo, drawn as the tool's name in reverse video.
void drawLogo(const CellRect& cells)
{
    static const char16_t name[] = u"Quib!";
    int nameCells = 5;
    int col = cells.col + (cells.cols > nameCells ? (cells.cols - nameCells) / 2 : 0);
    if (cells.cols >= nameCells + 2)
        blank(cells.row, col - 1, nameCells + 2, lookOf(Look::Logo));
    putText(cells.row, col, name, 5, cells.cols, lookOf(Look::Logo));
}

// The bar with its done part in reverse video and the percentage centred.
void drawProgressBar(const ControlState& control, const CellRect& cells)
{
    int low = control.rangeLow;
    int high = control.rangeHigh;
    int span = high > low ? high - low : 0;
    int done = span > 0 ? control.position - low : 0;
    if (done < 0)
        done = 0;
    int percent = span > 0 ? done * 100 / span : 0;
    int doneCols = span > 0 ? int(long(cells.cols) * done / span) : 0;
    char label[16];
    std::snprintf(label, sizeof label, "%d%%", percent);
    int labelLength = int(std::strlen(label));
    int labelCol = (cells.cols - labelLength) / 2;
    for (int i = 0; i < cells.cols; ++i) {
        char c = i >= labelCol && i < labelCol + labelLength ? label[i - labelCol] : ' ';
        chtype attributes = i < doneCols ? lookOf(Look::ProgressDone) : A_NORMAL;
        mvaddch(cells.row, cells.col + i, chtype(static_cast<unsigned char>(c)) | attributes);
    }
}

void drawStatic(const ControlState& control, const CellRect& cells, int textCols)
{
    attr_t attributes = control.enabled ? A_NORMAL : lookOf(Look::Disabled);
    if ((control.source->extendedStyle & extendedStaticEdge) != 0 && cells.rows >= 3 && cells.cols >= 3) {
        drawBox(cells);
        drawWrapped(CellRect{cells.row + 1, cells.col + 1, cells.rows - 2, cells.cols - 2}, control.text, attributes);
    } else if (cells.rows > 1) {
        drawWrapped(cells, control.text, attributes);
    } else {
        putText(cells.row, cells.col, control.text, wideLength(control.text), textCols, attributes);
    }
}

void drawGroupBox(const ControlState& control, const CellRect& cells)
{
    if (cells.rows < 2) {
        mvhline(cells.row, cells.col, lineChar(ACS_HLINE, '-'), cells.cols);
    } else {
        drawBox(cells);
    }
    drawTitle(cells.row, cells.col + 2, cells.cols - 4, control.text);
}

} // namespace

const char* messageIconMark(unsigned flags)
{
    switch (messageBoxIcon(flags)) {
    case 0x10: return "(X)";
    case 0x20: return "(?)";
    case 0x30: return "(!)";
    case 0x40: return "(i)";
    default: return nullptr;
    }
}

void drawDialog(DialogHandle dialog, const DialogLayout& layout, bool active, EditCursor* edit, CursorPlace* cursor)
{
    const DialogTemplate* source = dialogTemplateOf(dialog);
    if (source == nullptr)
        return;
    useBackground(Look::Face);
    const CellRect& frame = layout.frame;
    for (int row = frame.row; row < frame.row + frame.rows; ++row)
        blank(row, frame.col, frame.cols);
    drawBox(frame);
    int titleRoom = frame.cols - 4 - (layout.helpMark ? 4 : 0);
    drawTitle(frame.row, frame.col + 2, titleRoom, source->title != nullptr ? source->title : u"");
    if (layout.helpMark)
        putAscii(layout.helpCells.row, layout.helpCells.col, "[?]", 3);

    const ControlState* focused = active ? focusedControl(dialog) : nullptr;
    // Group boxes first, so that nothing inside is drawn over by a border.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < layout.controlCount; ++i) {
            const ControlState* control = dialogControlAt(dialog, i);
            if (!isVisibleControl(control))
                continue;
            if ((control->kind == ControlKind::GroupBox) != (pass == 0))
                continue;
            CellRect cells = layout.controls[i];
            cells.row = screenRow(layout, cells.row);
            cells.col = screenCol(layout, cells.col);
            int textCols = layout.textCols[i];
            bool hasFocus = control == focused;
            switch (control->kind) {
            case ControlKind::GroupBox: drawGroupBox(*control, cells); break;
            case ControlKind::PushButton: drawPushButton(*control, cells, active, hasFocus); break;
            case ControlKind::RadioButton:
            case ControlKind::CheckBox: drawChoice(*control, cells, textCols, hasFocus, cursor); break;
            case ControlKind::Edit: drawEdit(dialog, *control, cells, textCols, hasFocus, edit, cursor); break;
            case ControlKind::StaticText: drawStatic(*control, cells, textCols); break;
            case ControlKind::Bitmap: drawLogo(cells); break;
            case ControlKind::ProgressBar: drawProgressBar(*control, cells); break;
            }
        }
    }
    useBackground(Look::Screen);
}

void drawMessageBox(const MessageBoxLayout& layout, const char16_t* text, const char16_t* caption, unsigned flags,
                    const char16_t* const* buttonLabels, int focusedButton)
{
    useBackground(Look::Face);
    const CellRect& frame = layout.frame;
    for (int row = frame.row; row < frame.row + frame.rows; ++row)
        blank(row, frame.col, frame.cols);
    drawBox(frame);
    drawTitle(frame.row, frame.col + 2, frame.cols - 4, caption);
    if (const char* mark = messageIconMark(flags))
        putAscii(layout.textRow, layout.iconCol, mark, 3, A_BOLD);
    int textCols = frame.col + frame.cols - 2 - layout.textCol;
    for (std::size_t i = 0; i < layout.lineCount; ++i)
        putText(layout.textRow + int(i), layout.textCol, text + layout.lines[i].start, layout.lines[i].length,
                textCols);
    for (int i = 0; i < layout.buttonCount; ++i) {
        const CellRect& button = layout.buttons[i];
        bool focused = i == focusedButton;
        attr_t attributes = focused ? lookOf(Look::Focus) | A_BOLD : A_NORMAL;
        int col = button.col;
        col += putAscii(button.row, col, focused ? "[>" : "[ ", 2, attributes);
        col += putText(button.row, col, buttonLabels[i], wideLength(buttonLabels[i]), button.cols - 4, attributes);
        putAscii(button.row, col, focused ? "<]" : " ]", 2, attributes);
    }
    useBackground(Look::Screen);
}

void drawTooSmall(const char16_t* format, int neededRows, int neededCols, int rows, int cols)
{
    char16_t text[320];
    formatWide(text, sizeof text / sizeof text[0], format, neededCols, neededRows, cols, rows);
    TextLine lines[maxWrappedLines];
    std::size_t count = wrapText(text, cols, lines, maxWrappedLines);
    if (count > maxWrappedLines)
        count = maxWrappedLines;
    int top = rows > int(count) ? (rows - int(count)) / 2 : 0;
    for (std::size_t i = 0; i < count && top + int(i) < rows; ++i)
        putText(top + int(i), 0, text + lines[i].start, lines[i].length, cols, lookOf(Look::Notice));
}

void drawBottomLine(const char16_t* text, bool notice)
{
    int row = LINES - 1;
    blank(row, 0, COLS, lookOf(Look::KeyLine));
    putText(row, 0, text, wideLength(text), COLS, notice ? lookOf(Look::Notice) : lookOf(Look::KeyLine));
}
