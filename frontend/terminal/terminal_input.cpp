#include "frontend/terminal/terminal_input.h"

#include "os/wide_format.h"

namespace {

bool isShown(const ControlState& control) { return isVisibleControl(&control); }

const ControlState* editWithCursor(DialogHandle dialog, const EditCursor& edit)
{
    if (edit.dialog != dialog || edit.dialog == nullptr)
        return nullptr;
    return findControl(dialog, edit.controlId);
}

void keyAction(DialogKey key, UserAction* action)
{
    *action = UserAction{};
    action->kind = UserActionKind::Key;
    action->key = key;
}

void clickAction(int id, UserAction* action)
{
    *action = UserAction{};
    action->kind = UserActionKind::Click;
    action->controlId = id;
}

// The field's text with units [from, from + removed) replaced by insert
// (insertCount units), as the action that types it.
bool typeAction(const ControlState& field, std::size_t from, std::size_t removed, const char16_t* insert,
                std::size_t insertCount, UserAction* action)
{
    std::size_t length = wideLength(field.text);
    if (from > length || from + removed > length || length - removed + insertCount > maxTypedUnits)
        return false;
    *action = UserAction{};
    action->kind = UserActionKind::Type;
    action->controlId = field.source->id;
    std::size_t n = 0;
    for (std::size_t i = 0; i < from; ++i)
        action->text[n++] = field.text[i];
    for (std::size_t i = 0; i < insertCount; ++i)
        action->text[n++] = insert[i];
    for (std::size_t i = from + removed; i < length; ++i)
        action->text[n++] = field.text[i];
    action->text[n] = u'\0';
    return true;
}

std::size_t previousUnit(const char16_t* text, std::size_t index)
{
    if (index == 0)
        return 0;
    --index;
    if (index > 0 && text[index] >= 0xDC00 && text[index] <= 0xDFFF && text[index - 1] >= 0xD800 &&
        text[index - 1] <= 0xDBFF)
        --index;
    return index;
}

std::size_t nextUnit(const char16_t* text, std::size_t index)
{
    if (text[index] == u'\0')
        return index;
    nextCharacter(text, &index);
    return index;
}

// Editing keys in the focused field. True with a Type action when the text
// changes; false when only the cursor moved or nothing happened.
bool editKey(const ControlState& field, const KeyPress& key, EditCursor* edit, UserAction* action)
{
    std::size_t length = wideLength(field.text);
    std::size_t& cursor = edit->cursor;
    switch (key.name) {
    case KeyName::Left: cursor = previousUnit(field.text, cursor); return false;
    case KeyName::Right: cursor = nextUnit(field.text, cursor); return false;
    case KeyName::Home: cursor = 0; return false;
    case KeyName::End: cursor = length; return false;
    case KeyName::Backspace: {
        if (cursor == 0)
            return false;
        std::size_t start = previousUnit(field.text, cursor);
        if (!typeAction(field, start, cursor - start, nullptr, 0, action))
            return false;
        cursor = start;
        return true;
    }
    case KeyName::Delete: {
        if (cursor >= length)
            return false;
        std::size_t end = nextUnit(field.text, cursor);
        return typeAction(field, cursor, end - cursor, nullptr, 0, action);
    }
    case KeyName::Character: {
        char32_t c = key.character;
        if (c < 0x20 || c == 0x7F || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        char16_t units[2];
        std::size_t count = 1;
        if (c >= 0x10000) {
            units[0] = char16_t(0xD800 + ((c - 0x10000) >> 10));
            units[1] = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
            count = 2;
        } else {
            units[0] = char16_t(c);
        }
        if (!typeAction(field, cursor, 0, units, count, action))
            return false;
        cursor += count;
        return true;
    }
    default:
        return false;
    }
}

// The next (or previous) enabled radio button of the focused one's group,
// wrapping round; -1 when there is no other.
int neighbourInGroup(DialogHandle dialog, const ControlState* focused, bool forward)
{
    std::size_t count = dialogControlCount(dialog);
    std::size_t at = 0;
    while (at < count && dialogControlAt(dialog, at) != focused)
        ++at;
    if (at == count)
        return -1;
    std::size_t first = at;
    while (first > 0 && (dialogControlAt(dialog, first)->source->style & styleGroup) == 0)
        --first;
    std::size_t end = at + 1;
    while (end < count && (dialogControlAt(dialog, end)->source->style & styleGroup) == 0)
        ++end;
    std::size_t size = end - first;
    for (std::size_t step = 1; step < size; ++step) {
        std::size_t offset = forward ? (at - first + step) % size : (at - first + size - step) % size;
        const ControlState* candidate = dialogControlAt(dialog, first + offset);
        if (candidate->kind == ControlKind::RadioButton && candidate->enabled && isShown(*candidate))
            return candidate->source->id;
    }
    return -1;
}

} // namespace

bool takesSpace(const ControlState& control)
{
    return control.kind == ControlKind::PushButton || control.kind == ControlKind::RadioButton ||
           control.kind == ControlKind::CheckBox;
}

void followFocus(DialogHandle dialog, EditCursor* edit)
{
    const ControlState* focused = focusedControl(dialog);
    if (focused == nullptr || focused->kind != ControlKind::Edit) {
        *edit = EditCursor{nullptr, -1, 0, 0};
        return;
    }
    std::size_t length = wideLength(focused->text);
    if (edit->dialog != dialog || edit->controlId != focused->source->id)
        *edit = EditCursor{dialog, focused->source->id, length, 0};
    if (edit->cursor > length)
        edit->cursor = length;
}

bool translateKey(DialogHandle dialog, const KeyPress& key, EditCursor* edit, UserAction* action)
{
    followFocus(dialog, edit);
    const ControlState* focused = focusedControl(dialog);
    const ControlState* field = editWithCursor(dialog, *edit);
    switch (key.name) {
    case KeyName::Tab: keyAction(DialogKey::Tab, action); return true;
    case KeyName::BackTab: keyAction(DialogKey::BackTab, action); return true;
    case KeyName::Enter: keyAction(DialogKey::Enter, action); return true;
    case KeyName::Escape: keyAction(DialogKey::Escape, action); return true;
    case KeyName::F1: keyAction(DialogKey::F1, action); return true;
    default: break;
    }
    if (field != nullptr)
        return editKey(*field, key, edit, action);
    if (focused == nullptr)
        return false;
    switch (key.name) {
    case KeyName::Character:
        if (key.character != U' ' || !takesSpace(*focused))
            return false;
        clickAction(focused->source->id, action);
        return true;
    case KeyName::Up:
    case KeyName::Down:
    case KeyName::Left:
    case KeyName::Right: {
        bool forward = key.name == KeyName::Down || key.name == KeyName::Right;
        if (focused->kind == ControlKind::RadioButton) {
            // Moving through a group checks the radio button it lands on.
            int id = neighbourInGroup(dialog, focused, forward);
            if (id < 0)
                return false;
            clickAction(id, action);
            return true;
        }
        if (focused->kind == ControlKind::PushButton || focused->kind == ControlKind::CheckBox) {
            keyAction(forward ? DialogKey::Tab : DialogKey::BackTab, action);
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

bool translateClick(DialogHandle dialog, const DialogLayout& layout, int row, int col, EditCursor* edit,
                    UserAction* action)
{
    followFocus(dialog, edit);
    if (layout.helpMark && cellInside(layout.helpCells, row, col)) {
        keyAction(DialogKey::F1, action);
        return true;
    }
    int index = controlAtCell(dialog, layout, row, col);
    if (index < 0)
        return false;
    const ControlState* control = dialogControlAt(dialog, std::size_t(index));
    clickAction(control->source->id, action);
    if (control->kind == ControlKind::Edit && control->enabled) {
        // The cursor goes to the character under the click.
        std::size_t first = edit->dialog == dialog && edit->controlId == control->source->id ? edit->firstShown : 0;
        int target = col - screenCol(layout, layout.controls[index].col);
        bool masked = isPasswordEdit(control);
        std::size_t at = first;
        int cells = 0;
        while (control->text[at] != u'\0') {
            std::size_t next = at;
            int width = masked ? 1 : characterCells(nextCharacter(control->text, &next));
            if (cells + width > target)
                break;
            cells += width;
            at = next;
        }
        *edit = EditCursor{dialog, control->source->id, at, first};
    }
    return true;
}

int translateMessageBoxKey(const KeyPress& key, bool yesNo, int* focusedButton)
{
    int focusedAnswer = !yesNo ? answerOk : (*focusedButton == 0 ? answerYes : answerNo);
    switch (key.name) {
    case KeyName::Enter:
        return focusedAnswer;
    case KeyName::Escape:
        return yesNo ? 0 : answerOk;
    case KeyName::Tab:
    case KeyName::BackTab:
    case KeyName::Left:
    case KeyName::Right:
    case KeyName::Up:
    case KeyName::Down:
        if (yesNo)
            *focusedButton = 1 - *focusedButton;
        return 0;
    case KeyName::Character:
        if (key.character == U' ')
            return focusedAnswer;
        if (yesNo && (key.character == U'y' || key.character == U'Y'))
            return answerYes;
        if (yesNo && (key.character == U'n' || key.character == U'N'))
            return answerNo;
        return 0;
    default:
        return 0;
    }
}
