// Dialogs as windows: dialog units become pixels by the font's measured
// average width and height, and every control of a template stands in its
// window at its converted rectangle, in both languages.
#include "frontend/desktop/desktop_front_end.h"
#include "frontend/desktop/dialog_geometry.h"
#include "frontend/desktop/font_units.h"
#include "platform/dialogs.h"
#include "platform/module.h"
#include "tests/desktop/virtual_display.h"

#include <FL/Fl.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Window.H>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DialogUnits, AQuarterOfTheAverageWidthAcrossAndAnEighthOfTheHeightDown)
{
    struct Case {
        FontUnits units;
        int x, y, width, height;
        PixelRect expected;
    };
    const Case cases[] = {
        // 14*6/4 = 21, 15*15/8 = 28.1, 66*6/4 = 99, 11*15/8 = 20.6
        {{6, 15}, 14, 15, 66, 11, {21, 28, 99, 21}},
        // 95*7/4 = 166.25, 13*16/8 = 26, 54*7/4 = 94.5 (halves round up), 14*16/8 = 28
        {{7, 16}, 95, 13, 54, 14, {166, 26, 95, 28}},
        // 7*5/4 = 8.75, 0, 82*5/4 = 102.5, 78*13/8 = 126.75
        {{5, 13}, 7, 0, 82, 78, {9, 0, 103, 127}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(toPixels(c.units, c.x, c.y, c.width, c.height), c.expected)
            << c.x << "," << c.y << "," << c.width << "," << c.height;
}

TEST(DialogUnits, EachTypefaceHasAnInstalledStandIn)
{
    const DialogTemplate* english = findDialogTemplate(&programResources, 126);
    const DialogTemplate* japanese = findDialogTemplate(&programResources, 113);
    ASSERT_NE(english, nullptr);
    ASSERT_NE(japanese, nullptr);
    EXPECT_STREQ(desktopFontFor(*english).name, "DejaVu Sans");
    EXPECT_STREQ(desktopFontFor(*japanese).name, "Noto Sans CJK JP");
    EXPECT_EQ(desktopFontFor(*english).pixelSize, 12); // 9 points at 96 dots per inch
}

class DialogWindows : public OnVirtualDisplay {
protected:
    void SetUp() override
    {
        if (displayName().empty())
            GTEST_SKIP() << "Xvfb is not installed (scripts/install-packages.sh installs it)";
        frontEnd_ = openDesktopFrontEnd();
        ASSERT_NE(frontEnd_, nullptr);
        installFrontEnd(frontEnd_);
    }
    void TearDown() override { installFrontEnd(nullptr); }

    FrontEnd* frontEnd_ = nullptr;
};

bool closesOnTwo(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message == messageCommand && first == 2)
        return endDialog(dialog, 1);
    return false;
}

// Looks at the window that shows, then presses its Close button (id 2) as
// a click would.
struct Inspection {
    const DialogTemplate* source;
    bool looked = false;
    std::string problems = "";
};

void pressClose(Fl_Window* window, const DialogTemplate& source)
{
    for (std::size_t i = 0; i < source.controlCount && i < std::size_t(window->children()); ++i) {
        if (source.controls[i].id == 2)
            window->child(int(i))->do_callback();
    }
}

void inspectAndClose(void* data)
{
    auto* inspection = static_cast<Inspection*>(data);
    Fl_Window* window = Fl::first_window();
    if (window == nullptr) {
        Fl::repeat_timeout(0.05, inspectAndClose, data);
        return;
    }
    // A click counts only once the window waits for the person: until the
    // dialog has gone, look again and press again.
    Fl::repeat_timeout(0.1, inspectAndClose, data);
    if (inspection->looked) {
        pressClose(window, *inspection->source);
        return;
    }
    inspection->looked = true;
    const DialogTemplate& source = *inspection->source;
    DesktopFont font = desktopFontFor(source);
    FontUnits units = measureFontUnits(fontSlotFor(font.name), font.pixelSize);
    if (units.averageWidth < 4 || units.averageWidth > 10 || units.height < 10 || units.height > 24)
        inspection->problems += "implausible font units\n";
    PixelRect client = clientRect(units, source);
    if (window->w() != client.width || window->h() != client.height)
        inspection->problems += "window size\n";
    if (window->children() != int(source.controlCount)) {
        inspection->problems += "one widget per control\n";
    } else {
        for (std::size_t i = 0; i < source.controlCount; ++i) {
            Fl_Widget* widget = window->child(int(i));
            PixelRect expected = controlRect(units, source.controls[i]);
            PixelRect shown{widget->x(), widget->y(), widget->w(), widget->h()};
            if (!(shown == expected))
                inspection->problems += "control " + std::to_string(i) + " (id " +
                                        std::to_string(source.controls[i].id) + ")\n";
        }
    }
    pressClose(window, source);
}

TEST_F(DialogWindows, EveryControlStandsAtItsTemplateRectangleInPixels)
{
    // Menus, Status, Format, Format Execute and Protect Setting, in English and Japanese.
    for (int id : {126, 113, 132, 118, 128, 116, 133, 117, 131, 112}) {
        Inspection inspection{findDialogTemplate(&programResources, std::uint16_t(id)), false, ""};
        ASSERT_NE(inspection.source, nullptr) << id;
        Fl::add_timeout(0.05, inspectAndClose, &inspection);
        runModalDialog(inspection.source, nullptr, closesOnTwo, 0);
        Fl::remove_timeout(inspectAndClose, &inspection);
        EXPECT_TRUE(inspection.looked) << id;
        EXPECT_EQ(inspection.problems, "") << "template " << id;
    }
}

// The Status dialog's fields as the program fills them: the window shows
// each text as it is, Japanese included.
const char16_t* shownDriveLine = nullptr;

bool fillsTheDriveLine(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    if (message == messageInitDialog) {
        setControlText(dialog, 1045, shownDriveLine);
        setControlText(dialog, 1021, u"No Error.");
        return false;
    }
    return closesOnTwo(dialog, message, first, second);
}

struct ReadBack {
    std::string driveLine, status;
};

void readFieldsAndClose(void* data)
{
    auto* read = static_cast<ReadBack*>(data);
    Fl_Window* window = Fl::first_window();
    Fl::repeat_timeout(0.1, readFieldsAndClose, data);
    if (window == nullptr)
        return;
    for (int i = 0; i < window->children(); ++i) {
        auto* field = dynamic_cast<Fl_Input_*>(window->child(i));
        if (field != nullptr && read->driveLine.empty())
            read->driveLine = field->value();
        else if (field != nullptr && i > 0 && read->status.empty() && std::string(field->value()) == "No Error.")
            read->status = field->value();
    }
    // Close is the first control of the Status templates.
    window->child(0)->do_callback();
}

TEST_F(DialogWindows, FieldsShowTheTextsTheDialogSets)
{
    struct Case {
        int templateId;
        const char16_t* driveLine;
        const char* shown;
    };
    const Case cases[] = {
        {132, u"Drive #1 : Folder Name = Storage Card3", "Drive #1 : Folder Name = Storage Card3"},
        {118, u"Drive #1 : フォルダ名 = Storage Card3", "Drive #1 : フォルダ名 = Storage Card3"},
    };
    for (const Case& c : cases) {
        shownDriveLine = c.driveLine;
        ReadBack read;
        Fl::add_timeout(0.1, readFieldsAndClose, &read);
        runModalDialog(findDialogTemplate(&programResources, std::uint16_t(c.templateId)), nullptr,
                       fillsTheDriveLine, 0);
        Fl::remove_timeout(readFieldsAndClose, &read);
        EXPECT_EQ(read.driveLine, c.shown) << c.templateId;
        EXPECT_EQ(read.status, "No Error.") << c.templateId;
    }
}

} // namespace
