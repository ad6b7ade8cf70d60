#include "host/drive_chooser.h"

#include "dialogs/dialogs.h"
#include "os/code_page.h"
#include "os/language.h"
#include "os/library_loader.h"
#include "resources/dialog_ids.h"
#include "resources/template_common.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ListUsbDisks = std::uint32_t (*)(char* text, std::uint32_t capacity);

constexpr char listingEntryName[] = "QUIB_ListUsbDisks";

// The chooser's ids: its radio buttons run from firstDiskId, one per disk.
constexpr std::uint16_t chooserTemplateId = 900;
constexpr std::uint16_t firstDiskId = 901;
constexpr std::uint16_t lookAgainId = 950;
constexpr std::size_t mostDisksShown = 8;

struct ListedDisk {
    std::string path;  // what QUIB_DEVICE is set to
    std::u16string label;
    bool quibDisk = false;
};

struct ChooserTexts {
    const char16_t* title;
    const char16_t* prompt;
    const char16_t* noDisk;
    const char16_t* ok;
    const char16_t* lookAgain;
    const char16_t* cancel;
    const char* serialPrefix;
    const char* quibDisk;
    const char* noDiskInDrive;
    const char16_t* face; // the program's own, as its dialogs have it
};

const ChooserTexts englishTexts = {
    u"Quib! Drive",
    u"Choose the USB disk that is the Quib! drive:",
    u"No USB disk is present. Plug the Quib! drive in, then choose Look Again.",
    u"OK",
    u"Look Again",
    u"Cancel",
    ", serial ",
    "Quib! disk",
    "no disk",
    templates::englishFace,
};

const ChooserTexts japaneseTexts = {
    u"Quib! ドライブ",
    u"Quib! ドライブの USB ディスクを選んでください:",
    u"USB ディスクがありません。Quib! ドライブをつないでから「再検索」を選んでください。",
    u"決定",
    u"再検索",
    u"キャンセル",
    "、シリアル ",
    "Quib! ディスク",
    "ディスクなし",
    templates::japaneseFace,
};

const ChooserTexts& texts() { return defaultLanguageId() == languageJapanese ? japaneseTexts : englishTexts; }

std::u16string wide(const std::string& utf8)
{
    std::vector<char16_t> out(utf8.size() + 1);
    if (!utf8ToWide(utf8.c_str(), out.data(), out.size()))
        return u"?";
    return out.data();
}

// One disk as its radio button shows it: "sdb  VENDOR PRODUCT, serial S:
// Quib! disk" (or its size, or "no disk").
std::u16string diskLabel(const std::string& node, const std::string& vendor, const std::string& product,
                         const std::string& serial, unsigned long long bytes, bool quibDisk)
{
    std::string label = node.substr(node.find_last_of('/') + 1) + "  " + vendor;
    if (!product.empty())
        label += (vendor.empty() ? "" : " ") + product;
    if (!serial.empty())
        label += texts().serialPrefix + serial;
    label += ": ";
    if (quibDisk)
        label += texts().quibDisk;
    else if (bytes == 0)
        label += texts().noDiskInDrive;
    else
        label += std::to_string(bytes / 1000000) + " MB";
    return wide(label);
}

std::vector<ListedDisk> listDisks(ListUsbDisks list)
{
    std::string listing(list(nullptr, 0) + 1, '\0');
    // The disks may change between the two calls: ask again until it fits.
    for (std::uint32_t length = list(&listing[0], std::uint32_t(listing.size())); length >= listing.size();
         length = list(&listing[0], std::uint32_t(listing.size())))
        listing.assign(length + 1, '\0');
    std::vector<ListedDisk> disks;
    std::istringstream lines(listing.c_str());
    std::string line;
    while (std::getline(lines, line) && disks.size() < mostDisksShown) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t'))
            fields.push_back(field);
        if (fields.size() != 7 || fields[0].empty())
            continue;
        ListedDisk disk;
        disk.path = fields[0];
        disk.quibDisk = fields[6] == "1";
        unsigned long long bytes = std::strtoull(fields[5].c_str(), nullptr, 10);
        disk.label = diskLabel(fields[1], fields[2], fields[3], fields[4], bytes, disk.quibDisk);
        disks.push_back(disk);
    }
    return disks;
}

// The chooser's template for the disks listed, laid out top to bottom: the
// prompt (or the word that none is present), a radio button per disk, the
// buttons in a row. Built anew for each listing.
struct ChooserTemplate {
    std::vector<ControlTemplate> controls;
    DialogTemplate dialog{};
};

constexpr std::int16_t chooserWidth = 260;
constexpr std::int16_t buttonWidth = 56, buttonHeight = 14, buttonGap = 6;

void makeTemplate(const std::vector<ListedDisk>& disks, ChooserTemplate& made)
{
    using namespace templates;
    const ChooserTexts& t = texts();
    made.controls.clear();
    std::int16_t y = 7;
    std::int16_t promptHeight = disks.empty() ? 20 : 10;
    made.controls.push_back(text(disks.empty() ? t.noDisk : t.prompt, 7, y, chooserWidth - 14, promptHeight));
    y += promptHeight + 4;
    for (std::size_t i = 0; i < disks.size(); ++i) {
        auto button = i == 0 ? firstRadio : radio;
        std::uint16_t id = std::uint16_t(firstDiskId + i);
        made.controls.push_back(button(id, disks[i].label.c_str(), 14, y, chooserWidth - 21, 10));
        y += 12;
    }
    y += 6;
    std::int16_t x = chooserWidth - 7 - 3 * buttonWidth - 2 * buttonGap;
    // With no disk to choose, OK is disabled and Look Again is the button
    // Enter presses.
    ControlTemplate ok = disks.empty() ? pushButton(controlId::ok, t.ok, x, y, buttonWidth, buttonHeight)
                                       : defaultButton(controlId::ok, t.ok, x, y, buttonWidth, buttonHeight);
    if (disks.empty())
        ok.style |= styleDisabled;
    made.controls.push_back(ok);
    x += buttonWidth + buttonGap;
    made.controls.push_back(disks.empty() ? defaultButton(lookAgainId, t.lookAgain, x, y, buttonWidth, buttonHeight)
                                          : pushButton(lookAgainId, t.lookAgain, x, y, buttonWidth, buttonHeight));
    x += buttonWidth + buttonGap;
    made.controls.push_back(pushButton(controlId::close, t.cancel, x, y, buttonWidth, buttonHeight));
    y += buttonHeight + 7;
    made.dialog = {chooserTemplateId, defaultLanguageId(), dialogStyle, 0, 0, 0, chooserWidth, y, t.title,
                   fontPointSize, t.face, made.controls.data(), made.controls.size()};
}

struct ChooserRun {
    const std::vector<ListedDisk>* disks;
    std::size_t chosen;
};

ChooserRun* chooserRun = nullptr;

bool chooserProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    const std::vector<ListedDisk>& disks = *chooserRun->disks;
    if (message == messageInitDialog) {
        // A disk that looks like a Quib! disk is offered first.
        std::size_t offered = 0;
        for (std::size_t i = 0; i < disks.size(); ++i)
            if (disks[i].quibDisk) {
                offered = i;
                break;
            }
        if (!disks.empty()) {
            checkRadioButton(dialog, firstDiskId, int(firstDiskId + disks.size() - 1), int(firstDiskId + offered));
            setFocusToControl(dialog, int(firstDiskId + offered));
        } else {
            setFocusToControl(dialog, lookAgainId);
        }
        return false;
    }
    if (message != messageCommand)
        return false;
    int id = int(first & 0xFFFF);
    if (id == controlId::ok && !disks.empty()) {
        for (std::size_t i = 0; i < disks.size(); ++i)
            if (sendControlMessage(dialog, int(firstDiskId + i), buttonGetCheck, 0, 0) == 1)
                chooserRun->chosen = i;
        endDialog(dialog, controlId::ok);
    } else if (id == lookAgainId || id == controlId::close) {
        endDialog(dialog, id);
    }
    return true;
}

} // namespace

DriveChoice chooseRealDrive()
{
    LibraryHandle library = loadLibrary("ZOVEVIV.DLL");
    auto list = reinterpret_cast<ListUsbDisks>(findExport(library, listingEntryName));
    if (list == nullptr) {
        releaseLibrary(library);
        return DriveChoice::unavailable;
    }
    DriveChoice choice = DriveChoice::cancelled;
    for (;;) {
        std::vector<ListedDisk> disks = listDisks(list);
        ChooserTemplate made;
        makeTemplate(disks, made);
        ChooserRun run{&disks, 0};
        chooserRun = &run;
        std::intptr_t answer = runModalDialog(&made.dialog, nullptr, chooserProcedure, 0);
        chooserRun = nullptr;
        if (answer == lookAgainId)
            continue;
        if (answer == -1)
            choice = DriveChoice::unavailable;
        if (answer == controlId::ok) {
            setenv("QUIB_DEVICE", disks[run.chosen].path.c_str(), 1);
            choice = DriveChoice::chosen;
        }
        break;
    }
    // The program loads the library again, on its first request.
    releaseLibrary(library);
    return choice;
}
