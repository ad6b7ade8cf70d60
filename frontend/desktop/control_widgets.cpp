#include "frontend/desktop/control_widgets.h"

#include "frontend/desktop/text_lines.h"
#include "os/code_page.h"
#include "os/wide_format.h"
#include "dialogs/module.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Multiline_Output.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/fl_draw.H>

#include <cstring>

namespace {

// What every widget of a control carries: its control id and where to
// report what the person does with it.
struct ControlTag {
    int controlId = 0;
    const ControlEvents* events = nullptr;
};

// A push button; the one that Enter presses has a dark frame around it.
// Its whole rectangle is painted first: the scheme's rounded box leaves the
// corners alone, where the focus frame's dots would otherwise stay behind
// once the focus has moved on.
class PushButtonWidget : public Fl_Button, public ControlTag {
public:
    PushButtonWidget(int x, int y, int w, int h) : Fl_Button(x, y, w, h) {}
    bool isDefault = false;

protected:
    void draw() override
    {
        fl_color(parent() != nullptr ? parent()->color() : FL_BACKGROUND_COLOR);
        fl_rectf(x(), y(), w(), h());
        Fl_Button::draw();
        if (isDefault) {
            fl_color(FL_FOREGROUND_COLOR);
            fl_rect(x(), y(), w(), h());
        }
    }
};

class RadioWidget : public Fl_Round_Button, public ControlTag {
public:
    RadioWidget(int x, int y, int w, int h) : Fl_Round_Button(x, y, w, h) {}
};

class CheckWidget : public Fl_Check_Button, public ControlTag {
public:
    CheckWidget(int x, int y, int w, int h) : Fl_Check_Button(x, y, w, h) {}
};

// Where a text widget keeps the text it draws: the control's own UTF-16,
// so that its lines break by the same rules as everywhere else.
struct ShownText {
    char16_t text[controlTextCapacity] = {};
};

// Left margin of a text inside its box, as FLTK gives a label.
constexpr int textMargin = 3;

// A static text: its lines from the top left, wrapped to its width; the
// dialog has made it as high as its lines need.
class StaticTextWidget : public Fl_Box, public ShownText {
public:
    StaticTextWidget(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}

protected:
    void draw() override
    {
        draw_box();
        fl_font(labelfont(), labelsize());
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        int left = x() + Fl::box_dx(box()) + textMargin;
        int width = w() - Fl::box_dw(box()) - 2 * textMargin;
        TextLine lines[maxShownLines];
        std::size_t count = wrapInPixels(text, width, lines, maxShownLines);
        fl_push_clip(x(), y(), w(), h());
        drawTextLines(text, lines, count < maxShownLines ? count : maxShownLines, left, y() + Fl::box_dy(box()));
        fl_pop_clip();
    }
};

// A group box: an engraved frame with its title set into the top edge.
class GroupBoxWidget : public Fl_Widget {
public:
    GroupBoxWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}

protected:
    void draw() override
    {
        fl_font(labelfont(), labelsize());
        int textHeight = fl_height();
        int top = y() + textHeight / 2;
        fl_draw_box(FL_ENGRAVED_FRAME, x(), top, w(), h() - (top - y()), color());
        const char* title = label();
        if (title == nullptr || title[0] == '\0')
            return;
        int textWidth = int(fl_width(title));
        int left = x() + fl_height() / 2;
        fl_color(FL_BACKGROUND_COLOR);
        fl_rectf(left - 2, y(), textWidth + 4, textHeight);
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_draw(title, left, y() + fl_height() - fl_descent());
    }
};

// A one-line or multi-line field; the person's typing is reported whole.
template <class Field>
class FieldWidget : public Field, public ControlTag {
public:
    FieldWidget(int x, int y, int w, int h) : Field(x, y, w, h) {}

    int handle(int event) override
    {
        // A click into the field gives it the dialog's focus first, so Enter
        // then follows the platform's rule for the field, not the old focus.
        if (event == FL_PUSH && events != nullptr && !this->readonly())
            events->pressed(events->context, controlId);
        return Field::handle(event);
    }
};

// A read-only field: its text from the top left like a static text beside
// it, so captions and values stand on one line, wrapped to its width.
template <class Field>
class ShownFieldWidget : public FieldWidget<Field>, public ShownText {
public:
    ShownFieldWidget(int x, int y, int w, int h) : FieldWidget<Field>(x, y, w, h) {}

protected:
    void draw() override
    {
        this->draw_box();
        fl_font(this->textfont(), this->textsize());
        fl_color(this->active_r() ? this->textcolor() : fl_inactive(this->textcolor()));
        int left = this->x() + Fl::box_dx(this->box()) + textMargin;
        int width = this->w() - Fl::box_dw(this->box()) - 2 * textMargin;
        TextLine lines[maxShownLines];
        std::size_t count = wrapInPixels(text, width, lines, maxShownLines);
        fl_push_clip(this->x(), this->y(), this->w(), this->h());
        drawTextLines(text, lines, count < maxShownLines ? count : maxShownLines, left,
                      this->y() + Fl::box_dy(this->box()));
        fl_pop_clip();
    }
};

// The logo: a box that owns the image it shows.
class BitmapWidget : public Fl_Box {
public:
    BitmapWidget(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}
    ~BitmapWidget() override { delete image(); }
};

void onPressed(Fl_Widget* widget, void*)
{
    auto* tag = dynamic_cast<ControlTag*>(widget);
    if (tag != nullptr && tag->events != nullptr)
        tag->events->pressed(tag->events->context, tag->controlId);
}

void onTyped(Fl_Widget* widget, void*)
{
    auto* tag = dynamic_cast<ControlTag*>(widget);
    auto* input = dynamic_cast<Fl_Input_*>(widget);
    if (tag != nullptr && input != nullptr && tag->events != nullptr)
        tag->events->typed(tag->events->context, tag->controlId, input->value());
}

// Bitmap resource id of the program's module as an RGB image; null when
// the module has no such bitmap.
Fl_RGB_Image* bitmapImage(std::uint16_t id)
{
    const BitmapResource* bitmap = nullptr;
    for (std::size_t i = 0; i < programResources.bitmapCount; ++i) {
        if (programResources.bitmaps[i]->id == id)
            bitmap = programResources.bitmaps[i];
    }
    if (bitmap == nullptr || bitmap->bitsPerPixel != 4)
        return nullptr;
    int width = bitmap->width, height = bitmap->height;
    int stride = ((width * 4 + 31) / 32) * 4;
    // The image keeps the pixels for the life of the widget that shows it.
    auto* rgb = new unsigned char[std::size_t(width) * height * 3];
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            std::uint8_t pair = bitmap->pixels[row * stride + col / 2];
            std::uint32_t colour = bitmap->palette[col % 2 == 0 ? pair >> 4 : pair & 0x0F];
            unsigned char* out = rgb + (std::size_t(row) * width + col) * 3;
            out[0] = std::uint8_t(colour >> 16);
            out[1] = std::uint8_t(colour >> 8);
            out[2] = std::uint8_t(colour);
        }
    }
    auto* image = new Fl_RGB_Image(rgb, width, height, 3);
    image->alloc_array = 1; // the image frees the pixels
    return image;
}

// FLTK reads '@' in a label as the start of a symbol; a text shows as it is.
void setLabel(Fl_Widget* widget, const char* text)
{
    char label[2 * controlTextCapacity * 3];
    std::size_t n = 0;
    for (const char* p = text; *p != '\0' && n + 2 < sizeof label; ++p) {
        if (*p == '@')
            label[n++] = '@';
        label[n++] = *p;
    }
    label[n] = '\0';
    if (widget->label() == nullptr || std::strcmp(widget->label(), label) != 0)
        widget->copy_label(label);
}

} // namespace

void controlTextUtf8(const ControlState& control, char* out, std::size_t capacity)
{
    // FLTK wants its line breaks as "\n".
    if (!programTextToUtf8(control.text, out, capacity))
        out[0] = '\0';
}

Fl_Widget* createControlWidget(const ControlState& control, const PixelRect& rect, int fontSlot, int fontSize,
                               const ControlEvents& events)
{
    if (!isVisibleControl(&control))
        return nullptr;
    int x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    Fl_Widget* widget = nullptr;
    switch (control.kind) {
    case ControlKind::PushButton: {
        auto* button = new PushButtonWidget(x, y, w, h);
        button->callback(onPressed);
        widget = button;
        break;
    }
    case ControlKind::RadioButton: {
        auto* radio = new RadioWidget(x, y, w, h);
        radio->box(FL_FLAT_BOX);
        radio->callback(onPressed);
        radio->when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED | FL_WHEN_RELEASE);
        widget = radio;
        break;
    }
    case ControlKind::CheckBox: {
        auto* check = new CheckWidget(x, y, w, h);
        check->box(FL_FLAT_BOX);
        check->callback(onPressed);
        widget = check;
        break;
    }
    case ControlKind::GroupBox: {
        auto* group = new GroupBoxWidget(x, y, w, h);
        widget = group;
        break;
    }
    case ControlKind::StaticText:
    case ControlKind::Bitmap: {
        Fl_Box* box;
        if (control.kind == ControlKind::Bitmap)
            box = new BitmapWidget(x, y, w, h);
        else
            box = new StaticTextWidget(x, y, w, h);
        // A flat box repaints its background, so redrawn text never piles
        // up on itself.
        bool sunken = (control.source->extendedStyle & extendedStaticEdge) != 0;
        box->box(sunken ? FL_THIN_DOWN_BOX : FL_FLAT_BOX);
        if (control.kind == ControlKind::Bitmap) {
            box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
            box->image(bitmapImage(control.source->bitmapId));
        } else {
            box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_CLIP);
        }
        widget = box;
        break;
    }
    case ControlKind::Edit: {
        bool readOnly = isReadOnlyEdit(&control);
        bool multiLine = isMultiLineEdit(&control);
        Fl_Input_* field;
        if (readOnly && multiLine)
            field = new ShownFieldWidget<Fl_Multiline_Output>(x, y, w, h);
        else if (readOnly)
            field = new ShownFieldWidget<Fl_Output>(x, y, w, h);
        else if (isPasswordEdit(&control))
            field = new FieldWidget<Fl_Secret_Input>(x, y, w, h);
        else
            field = new FieldWidget<Fl_Input>(x, y, w, h);
        bool border = (control.source->style & styleBorder) != 0;
        field->box(border ? FL_DOWN_BOX : FL_FLAT_BOX);
        if (!border)
            field->color(FL_BACKGROUND_COLOR);
        field->textfont(fontSlot);
        field->textsize(fontSize);
        field->callback(onTyped);
        field->when(FL_WHEN_CHANGED);
        widget = field;
        break;
    }
    case ControlKind::ProgressBar: {
        auto* progress = new Fl_Progress(x, y, w, h);
        progress->selection_color(FL_DARK_BLUE);
        widget = progress;
        break;
    }
    }
    if (auto* tag = dynamic_cast<ControlTag*>(widget)) {
        tag->controlId = control.source->id;
        tag->events = &events;
    }
    widget->labelfont(fontSlot);
    widget->labelsize(fontSize);
    // The dialog manager owns the focus: FLTK's own Tab moves are not used.
    widget->visible_focus(control.kind == ControlKind::Edit || control.kind == ControlKind::PushButton ||
                          control.kind == ControlKind::RadioButton || control.kind == ControlKind::CheckBox);
    syncControlWidget(widget, control);
    return widget;
}

void syncControlWidget(Fl_Widget* widget, const ControlState& control)
{
    if (widget == nullptr)
        return;
    char text[controlTextCapacity * 3];
    controlTextUtf8(control, text, sizeof text);
    if (auto* shown = dynamic_cast<ShownText*>(widget))
        copyWide(shown->text, controlTextCapacity, control.text);
    switch (control.kind) {
    case ControlKind::PushButton: {
        auto* button = static_cast<PushButtonWidget*>(widget);
        setLabel(button, text);
        button->isDefault = control.isDefault;
        break;
    }
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
        setLabel(widget, text);
        static_cast<Fl_Button*>(widget)->value(control.checked ? 1 : 0);
        break;
    case ControlKind::GroupBox:
    case ControlKind::StaticText:
        setLabel(widget, text);
        break;
    case ControlKind::Bitmap:
        break;
    case ControlKind::Edit: {
        auto* field = static_cast<Fl_Input_*>(widget);
        if (std::strcmp(field->value(), text) != 0)
            field->value(text);
        break;
    }
    case ControlKind::ProgressBar: {
        auto* progress = static_cast<Fl_Progress*>(widget);
        progress->minimum(control.rangeLow);
        progress->maximum(control.rangeHigh > control.rangeLow ? control.rangeHigh : control.rangeLow + 1);
        progress->value(control.position);
        break;
    }
    }
    if (control.enabled)
        widget->activate();
    else
        widget->deactivate();
    widget->redraw();
}

int controlTextHeight(Fl_Widget* widget, const ControlState& control, int width)
{
    auto* shown = dynamic_cast<ShownText*>(widget);
    if (shown == nullptr)
        return 0;
    Fl_Boxtype box = widget->box();
    int font = widget->labelfont(), size = widget->labelsize();
    if (auto* field = dynamic_cast<Fl_Input_*>(widget)) {
        font = field->textfont();
        size = field->textsize();
    }
    int textWidth = width - Fl::box_dw(box) - 2 * textMargin;
    return wrappedTextHeight(control.text, font, size, textWidth) + Fl::box_dh(box);
}

int controlTextWidth(Fl_Widget* widget, const ControlState& control)
{
    if (dynamic_cast<ShownText*>(widget) == nullptr)
        return 0;
    if (auto* field = dynamic_cast<Fl_Input_*>(widget))
        fl_font(field->textfont(), field->textsize());
    else
        fl_font(widget->labelfont(), widget->labelsize());
    TextLine lines[maxShownLines];
    std::size_t count = wrapInPixels(control.text, 1 << 20, lines, maxShownLines);
    int widest = 0;
    for (std::size_t i = 0; i < count && i < maxShownLines; ++i)
        widest = lines[i].width > widest ? lines[i].width : widest;
    return widest + Fl::box_dw(widget->box()) + 2 * textMargin;
}
