#include "frontend/terminal/terminal_layout.h"

namespace {

constexpr int noControl = -1;

bool isShown(const ControlState& control) { return isVisibleControl(&control); }

// Texts of more than one line: a multi-line field, or a static text at
// least two rows high.
bool spansRows(const ControlState& control)
{
    if (control.kind == ControlKind::GroupBox || isMultiLineEdit(&control))
        return true;
    return control.kind == ControlKind::StaticText && control.source->height >= 2 * unitsPerRow;
}

// Controls whose text may run on past their rectangle into free cells.
bool runsOn(const ControlState& control, const CellRect& cells)
{
    if (cells.rows != 1)
        return false;
    switch (control.kind) {
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
    case ControlKind::StaticText:
        return true;
    case ControlKind::Edit:
        return isReadOnlyEdit(&control);
    default:
        return false;
    }
}

int textLength(const char16_t* text)
{
    int n = 0;
    while (text[n] != u'\0')
        ++n;
    return n;
}

// Cells the control's content needs on its row.
int neededCols(const ControlState& control)
{
    int cells = textCells(control.text, std::size_t(textLength(control.text)));
    switch (control.kind) {
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
        return 4 + cells; // "(*) " or "[x] " before the caption
    case ControlKind::PushButton:
        return buttonCols(control.text);
    case ControlKind::StaticText:
    case ControlKind::Edit:
        return cells;
    default:
        return 0;
    }
}

// The nearest column on the given row, right of col (direction +1) or left
// of it (-1), that something else occupies: another control's near edge, or
// a group box's side border. From clientCols (right) or -1 (left) when
// nothing does; *blocker, when asked for, receives that control's index,
// noControl for a group box or the edge of the client area.
int nearestObstacle(DialogHandle dialog, const DialogLayout& layout, std::size_t self, int row, int col,
                    int direction, int clientCols, int* blocker)
{
    int nearest = direction > 0 ? clientCols : -1;
    if (blocker != nullptr)
        *blocker = noControl;
    auto beyond = [&](int column) { return direction > 0 ? column > col : column < col; };
    for (std::size_t j = 0; j < layout.controlCount; ++j) {
        const ControlState* other = dialogControlAt(dialog, j);
        if (j == self || !isShown(*other))
            continue;
        const CellRect& r = layout.controls[j];
        int bottom = r.row + r.rows - 1;
        if (row < r.row || row > bottom)
            continue;
        int right = r.col + r.cols - 1;
        int nearEdge = direction > 0 ? r.col : right;
        int farEdge = direction > 0 ? right : r.col;
        bool groupSide = other->kind == ControlKind::GroupBox && row != r.row && row != bottom;
        int candidate = nearest;
        if (beyond(nearEdge))
            candidate = nearEdge;
        else if (groupSide && beyond(farEdge))
            candidate = farEdge; // inside the group box: its far border
        if (direction > 0 ? candidate < nearest : candidate > nearest) {
            nearest = candidate;
            if (blocker != nullptr)
                *blocker = other->kind == ControlKind::GroupBox ? noControl : int(j);
        }
    }
    return nearest;
}

int obstacleColumn(DialogHandle dialog, const DialogLayout& layout, std::size_t self, int row, int col, int clientCols,
                   int* blocker)
{
    return nearestObstacle(dialog, layout, self, row, col, +1, clientCols, blocker);
}

int obstacleLeft(DialogHandle dialog, const DialogLayout& layout, std::size_t self, int row, int col)
{
    return nearestObstacle(dialog, layout, self, row, col, -1, 0, nullptr);
}

// A push button whose caption with its brackets is wider than its cells
// (a Japanese caption, often) grows into free cells on both sides, keeping
// a blank to its neighbours, so that its brackets always show.
void widenButtons(DialogHandle dialog, DialogLayout* layout, int clientCols)
{
    for (std::size_t i = 0; i < layout->controlCount; ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        CellRect& cells = layout->controls[i];
        if (!isShown(*control) || control->kind != ControlKind::PushButton || cells.rows != 1)
            continue;
        int extra = neededCols(*control) - cells.cols;
        if (extra <= 0)
            continue;
        int end = cells.col + cells.cols;
        int rightEdge = obstacleColumn(dialog, *layout, i, cells.row, end - 1, clientCols, nullptr);
        int rightRoom = rightEdge - end - (rightEdge < clientCols ? 1 : 0);
        int leftRoom = cells.col - obstacleLeft(dialog, *layout, i, cells.row, cells.col) - 2;
        if (rightRoom < 0)
            rightRoom = 0;
        if (leftRoom < 0)
            leftRoom = 0;
        int left = extra / 2 < leftRoom ? extra / 2 : leftRoom;
        int right = extra - left < rightRoom ? extra - left : rightRoom;
        if (left + right < extra)
            left = extra - right < leftRoom ? extra - right : leftRoom;
        cells.col -= left;
        cells.cols += left + right;
    }
}

// A one-line text that would end right against a frame's border moves one
// cell left when that cell is free, so a blank stays between text and frame.
void keepOffFrames(DialogHandle dialog, DialogLayout* layout, int clientCols)
{
    for (std::size_t i = 0; i < layout->controlCount; ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        CellRect& cells = layout->controls[i];
        if (!isShown(*control) || control->kind != ControlKind::StaticText || cells.rows != 1)
            continue;
        int blocker;
        int edge = obstacleColumn(dialog, *layout, i, cells.row, cells.col, clientCols, &blocker);
        bool touches = blocker == noControl && edge < clientCols && cells.col + neededCols(*control) >= edge;
        if (touches && obstacleLeft(dialog, *layout, i, cells.row, cells.col) < cells.col - 1) {
            cells.col -= 1;
        }
    }
}

// Makes room for a text that runs on into a display-only neighbour on its
// row (a static text or a read-only field) by moving the neighbour's left
// edge right, as long as what the neighbour shows still fits.
void makeRoom(DialogHandle dialog, DialogLayout* layout, int clientCols)
{
    for (std::size_t i = 0; i < layout->controlCount; ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        const CellRect& cells = layout->controls[i];
        if (!isShown(*control) || !runsOn(*control, cells))
            continue;
        int needed = neededCols(*control);
        if (needed <= cells.cols)
            continue;
        int blocker;
        obstacleColumn(dialog, *layout, i, cells.row, cells.col, clientCols, &blocker);
        if (blocker == noControl)
            continue;
        const ControlState* neighbour = dialogControlAt(dialog, std::size_t(blocker));
        CellRect& room = layout->controls[blocker];
        if (room.rows != 1 || !runsOn(*neighbour, room) || neighbour->kind == ControlKind::RadioButton ||
            neighbour->kind == ControlKind::CheckBox)
            continue;
        int delta = cells.col + needed + 1 - room.col; // one blank between the two
        if (delta > 0 && room.cols - delta >= neededCols(*neighbour)) {
            room.col += delta;
            room.cols -= delta;
        }
    }
}

// A text that shows more than one row: a multi-line field, a static text
// of several rows or one with a sunken edge (its text inside the edge), and
// a one-row static text or read-only field once it has grown.
bool wrapsText(const ControlState& control)
{
    switch (control.kind) {
    case ControlKind::StaticText: return true;
    case ControlKind::Edit: return isReadOnlyEdit(&control);
    default: return false;
    }
}

// Inserts rows below client row `below`: what starts lower moves down, and a
// group box that runs on past it grows, so the template's layout stays.
void insertRows(DialogHandle dialog, DialogLayout* layout, std::size_t grown, int below, int extra)
{
    for (std::size_t j = 0; j < layout->controlCount; ++j) {
        if (j == grown)
            continue;
        CellRect& r = layout->controls[j];
        if (r.row > below)
            r.row += extra;
        else if (dialogControlAt(dialog, j)->kind == ControlKind::GroupBox && r.row + r.rows - 1 > below)
            r.rows += extra;
    }
}

// Every text shows whole: one whose rows do not hold it wrapped in its
// columns (a one-row text in the cells it may run on into) grows by the
// rows it lacks, and the dialog with it. Returns the rows added.
int growForTexts(DialogHandle dialog, DialogLayout* layout)
{
    int added = 0;
    for (std::size_t i = 0; i < layout->controlCount; ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if (!isShown(*control) || !wrapsText(*control))
            continue;
        CellRect& cells = layout->controls[i];
        bool edged = control->kind == ControlKind::StaticText &&
                     (control->source->extendedStyle & extendedStaticEdge) != 0 && cells.rows >= 3 && cells.cols >= 3;
        int frameCells = edged ? 2 : 0;
        int cols = cells.cols - frameCells;
        if (cells.rows == 1 && layout->textCols[i] > cols)
            cols = layout->textCols[i];
        TextLine lines[1];
        int needed = int(wrapText(control->text, cols, lines, 1));
        int extra = needed - (cells.rows - frameCells);
        if (extra <= 0)
            continue;
        insertRows(dialog, layout, i, cells.row + cells.rows - 1, extra);
        cells.cols = cols + frameCells;
        cells.rows += extra;
        layout->textCols[i] = cells.cols;
        added += extra;
    }
    return added;
}

// On a screen too short for the dialog, rows that nothing but the sides of
// group boxes occupy are left out: the margins first, then from the bottom
// up, as many as needed. Returns the rows left out.
int squeezeRows(DialogHandle dialog, DialogLayout* layout, int clientRows, int screenRows)
{
    constexpr int maxRows = 64;
    int excess = clientRows + 2 - screenRows;
    if (excess <= 0 || clientRows > maxRows)
        return 0;
    bool used[maxRows] = {};
    for (std::size_t i = 0; i < layout->controlCount; ++i) {
        if (!isShown(*dialogControlAt(dialog, i)))
            continue;
        const CellRect& r = layout->controls[i];
        bool onlyEdges = dialogControlAt(dialog, i)->kind == ControlKind::GroupBox;
        for (int row = r.row; row < r.row + r.rows && row < maxRows; ++row)
            if (!onlyEdges || row == r.row || row == r.row + r.rows - 1)
                used[row] = true;
    }
    bool dropped[maxRows] = {};
    int count = 0;
    auto drop = [&](int row) {
        if (count < excess && row >= 0 && row < clientRows && !used[row] && !dropped[row]) {
            dropped[row] = true;
            ++count;
        }
    };
    drop(clientRows - 1);
    drop(0);
    for (int row = clientRows - 2; row > 0; --row)
        drop(row);
    int droppedBefore[maxRows + 1] = {};
    for (int row = 0; row < clientRows; ++row)
        droppedBefore[row + 1] = droppedBefore[row] + (dropped[row] ? 1 : 0);
    for (std::size_t i = 0; i < layout->controlCount; ++i) {
        CellRect& r = layout->controls[i];
        int top = r.row < clientRows ? r.row : clientRows - 1;
        int bottom = r.row + r.rows - 1 < clientRows ? r.row + r.rows - 1 : clientRows - 1;
        if (top < 0 || bottom < top)
            continue;
        r.row = top - droppedBefore[top];
        r.rows = bottom - droppedBefore[bottom] - r.row + 1;
    }
    return count;
}

} // namespace

bool cellInside(const CellRect& rect, int row, int col)
{
    return row >= rect.row && row < rect.row + rect.rows && col >= rect.col && col < rect.col + rect.cols;
}

void dialogClientSize(const DialogTemplate& dialogTemplate, int* rows, int* cols)
{
    *rows = (dialogTemplate.height + unitsPerRow - 1) / unitsPerRow;
    *cols = (dialogTemplate.width + unitsPerColumn - 1) / unitsPerColumn;
}

CellRect controlCells(const ControlState& control)
{
    const ControlTemplate& source = *control.source;
    CellRect cells{};
    cells.col = source.x / unitsPerColumn;
    cells.cols = (source.x + source.width) / unitsPerColumn - cells.col;
    if (cells.cols < 1)
        cells.cols = 1;
    if (control.kind == ControlKind::GroupBox) {
        // The frame's top line runs through the middle of the title.
        cells.row = (source.y + unitsPerRow / 2) / unitsPerRow;
        int bottom = (source.y + source.height - 1) / unitsPerRow;
        cells.rows = bottom >= cells.row ? bottom - cells.row + 1 : 1;
    } else if (spansRows(control)) {
        cells.row = source.y / unitsPerRow;
        int bottom = (source.y + source.height - 1) / unitsPerRow;
        cells.rows = bottom >= cells.row ? bottom - cells.row + 1 : 1;
    } else if (control.kind == ControlKind::StaticText ||
               (control.kind == ControlKind::Edit && (source.style & styleBorder) == 0)) {
        // Their text stands at the top of the rectangle.
        cells.row = (source.y + unitsPerRow / 2) / unitsPerRow;
        cells.rows = 1;
    } else {
        // Buttons and framed fields centre their text.
        cells.row = (source.y + source.height / 2) / unitsPerRow;
        cells.rows = 1;
    }
    return cells;
}

bool layoutDialog(DialogHandle dialog, int screenRows, int screenCols, DialogLayout* layout)
{
    *layout = DialogLayout{};
    const DialogTemplate* source = dialogTemplateOf(dialog);
    if (source == nullptr)
        return false;
    int clientRows, clientCols;
    dialogClientSize(*source, &clientRows, &clientCols);
    layout->controlCount = dialogControlCount(dialog);
    for (std::size_t i = 0; i < layout->controlCount; ++i)
        layout->controls[i] = controlCells(*dialogControlAt(dialog, i));

    makeRoom(dialog, layout, clientCols);
    widenButtons(dialog, layout, clientCols);
    keepOffFrames(dialog, layout, clientCols);

    for (std::size_t i = 0; i < layout->controlCount; ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        const CellRect& cells = layout->controls[i];
        layout->textCols[i] = cells.cols;
        if (!runsOn(*control, cells))
            continue;
        int blocker;
        int room = obstacleColumn(dialog, *layout, i, cells.row, cells.col, clientCols, &blocker) - cells.col;
        int needed = neededCols(*control);
        if (needed > cells.cols) {
            // Running on past its own cells, it keeps a blank before the next thing.
            int runOn = room - 1 > cells.cols ? room - 1 : cells.cols;
            layout->textCols[i] = needed < runOn ? needed : runOn;
        }
        if (layout->textCols[i] > room)
            layout->textCols[i] = room > 0 ? room : 0;
    }
    clientRows += growForTexts(dialog, layout);

    clientRows -= squeezeRows(dialog, layout, clientRows, screenRows);
    layout->frame.rows = clientRows + 2;
    layout->frame.cols = clientCols + 2;
    layout->frame.row = screenRows > layout->frame.rows ? (screenRows - layout->frame.rows) / 2 : 0;
    layout->frame.col = screenCols > layout->frame.cols ? (screenCols - layout->frame.cols) / 2 : 0;
    layout->fits = layout->frame.rows <= screenRows && layout->frame.cols <= screenCols;
    layout->helpMark = (source->extendedStyle & extendedContextHelp) != 0;
    layout->helpCells = CellRect{layout->frame.row, layout->frame.col + layout->frame.cols - 5, 1, 3};
    return layout->fits;
}

int screenRow(const DialogLayout& layout, int clientRow) { return layout.frame.row + 1 + clientRow; }

int screenCol(const DialogLayout& layout, int clientCol) { return layout.frame.col + 1 + clientCol; }

int controlAtCell(DialogHandle dialog, const DialogLayout& layout, int row, int col)
{
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if (!isShown(*control))
            continue;
        switch (control->kind) {
        case ControlKind::PushButton:
        case ControlKind::RadioButton:
        case ControlKind::CheckBox:
        case ControlKind::Edit:
            break;
        default:
            continue;
        }
        CellRect area = layout.controls[i];
        if (layout.textCols[i] > area.cols)
            area.cols = layout.textCols[i];
        area.row = screenRow(layout, area.row);
        area.col = screenCol(layout, area.col);
        if (cellInside(area, row, col))
            return int(i);
    }
    return noControl;
}

int buttonCols(const char16_t* caption) { return textCells(caption, std::size_t(textLength(caption))) + 4; }

bool layoutMessageBox(const char16_t* text, const char16_t* caption, bool hasIcon, const char16_t* const* buttonLabels,
                      int buttonCount, const CellRect* owner, int screenRows, int screenCols, MessageBoxLayout* layout)
{
    *layout = MessageBoxLayout{};
    int iconCols = hasIcon ? messageIconCols : 0;
    int wrapCols = screenCols - 4 - iconCols;
    if (wrapCols > messageTextMaxCols)
        wrapCols = messageTextMaxCols;
    if (wrapCols < 8)
        wrapCols = 8;
    std::size_t needed = wrapText(text, wrapCols, layout->lines, maxMessageLines);
    layout->lineCount = needed < maxMessageLines ? needed : maxMessageLines;

    int textWidth = 0;
    for (std::size_t i = 0; i < layout->lineCount; ++i)
        if (layout->lines[i].width > textWidth)
            textWidth = layout->lines[i].width;
    int buttonsWidth = 0;
    for (int i = 0; i < buttonCount && i < 2; ++i)
        buttonsWidth += buttonCols(buttonLabels[i]) + (i > 0 ? 2 : 0);
    int inner = iconCols + textWidth;
    if (buttonsWidth > inner)
        inner = buttonsWidth;
    int captionWidth = textCells(caption, std::size_t(textLength(caption))) + 2;
    if (captionWidth > inner)
        inner = captionWidth;

    // Border and a blank column on each side; a blank row above and below the text.
    layout->frame.cols = inner + 4;
    layout->frame.rows = int(layout->lineCount) + 5;
    int centreRow = owner != nullptr ? owner->row + owner->rows / 2 : screenRows / 2;
    int centreCol = owner != nullptr ? owner->col + owner->cols / 2 : screenCols / 2;
    layout->frame.row = centreRow - layout->frame.rows / 2;
    layout->frame.col = centreCol - layout->frame.cols / 2;
    if (layout->frame.row + layout->frame.rows > screenRows)
        layout->frame.row = screenRows - layout->frame.rows;
    if (layout->frame.col + layout->frame.cols > screenCols)
        layout->frame.col = screenCols - layout->frame.cols;
    if (layout->frame.row < 0)
        layout->frame.row = 0;
    if (layout->frame.col < 0)
        layout->frame.col = 0;
    layout->fits = needed <= maxMessageLines && layout->frame.rows <= screenRows && layout->frame.cols <= screenCols;

    layout->iconCol = layout->frame.col + 2;
    layout->textRow = layout->frame.row + 2;
    layout->textCol = layout->frame.col + 2 + iconCols;
    layout->buttonCount = buttonCount < 2 ? buttonCount : 2;
    int col = layout->frame.col + (layout->frame.cols - buttonsWidth) / 2;
    for (int i = 0; i < layout->buttonCount; ++i) {
        int cols = buttonCols(buttonLabels[i]);
        layout->buttons[i] = CellRect{layout->frame.row + layout->frame.rows - 2, col, 1, cols};
        col += cols + 2;
    }
    return layout->fits;
}
