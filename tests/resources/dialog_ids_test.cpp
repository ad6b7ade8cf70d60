// The one table of template and control ids (resources/dialog_ids.h)
// against the templates themselves: each id it names is carried by the
// templates, each template by its id there, and the two languages of a
// dialog carry the same controls.
#include "resources/dialog_ids.h"
#include "tests/resources/resource_lookup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

// The header's constants by name, read from its text, so that a constant
// added there is checked without a second list here.
std::map<std::string, int> constantsOf(const std::string& space)
{
    std::ifstream file(std::string(QUIB_SOURCE_DIR) + "/resources/dialog_ids.h");
    std::stringstream text;
    text << file.rdbuf();
    std::string all = text.str();
    std::size_t begin = all.find("namespace " + space + " {");
    std::size_t end = all.find("} // namespace " + space, begin);
    std::map<std::string, int> constants;
    if (begin == std::string::npos || end == std::string::npos)
        return constants;
    std::string body = all.substr(begin, end - begin);
    const std::regex constant(R"(constexpr (?:int|std::uint16_t) (\w+) = (\d+);)");
    for (auto match = std::sregex_iterator(body.begin(), body.end(), constant); match != std::sregex_iterator(); ++match)
        constants[(*match)[1]] = std::stoi((*match)[2]);
    return constants;
}

std::set<int> controlIdsOf(const DialogTemplate& dialog)
{
    std::set<int> ids;
    for (std::size_t i = 0; i < dialog.controlCount; ++i)
        if (dialog.controls[i].id != staticControlId)
            ids.insert(dialog.controls[i].id);
    return ids;
}

TEST(DialogIds, EachTemplateIsNamedOnceAndEachNameHasItsTemplate)
{
    std::map<std::string, int> templates = constantsOf("templateId");
    ASSERT_FALSE(templates.empty());
    std::set<int> named;
    for (const auto& [name, id] : templates) {
        EXPECT_TRUE(named.insert(id).second) << name << " repeats template id " << id;
        const DialogTemplate* dialog = templateById(std::uint16_t(id));
        ASSERT_NE(dialog, nullptr) << name << " = " << id << ": no such template";
        bool japanese = name.size() > 8 && name.compare(name.size() - 8, 8, "Japanese") == 0;
        EXPECT_EQ(dialog->resourceLanguage, japanese ? 1041 : 1033) << name;
    }
    for (std::size_t i = 0; i < programResources.dialogCount; ++i)
        EXPECT_TRUE(named.count(programResources.dialogs[i]->id)) << "template " << programResources.dialogs[i]->id
                                                                  << " has no name in dialog_ids.h";
}

TEST(DialogIds, EachControlIdIsCarriedAndNoTemplateRepeatsOne)
{
    std::map<std::string, int> controls = constantsOf("controlId");
    ASSERT_FALSE(controls.empty());
    std::set<int> carried;
    for (std::size_t i = 0; i < programResources.dialogCount; ++i) {
        const DialogTemplate& dialog = *programResources.dialogs[i];
        std::set<int> seen;
        for (std::size_t c = 0; c < dialog.controlCount; ++c) {
            int id = dialog.controls[c].id;
            if (id == staticControlId)
                continue;
            EXPECT_TRUE(seen.insert(id).second) << "template " << dialog.id << " carries control " << id << " twice";
            carried.insert(id);
        }
    }
    std::set<int> named;
    for (const auto& [name, id] : controls) {
        EXPECT_TRUE(named.insert(id).second) << name << " repeats control id " << id;
        EXPECT_TRUE(carried.count(id)) << name << " = " << id << " is in no template";
    }
    for (int id : carried)
        EXPECT_TRUE(named.count(id)) << "control " << id << " has no name in dialog_ids.h";
}

// Each Japanese template and its English one (the same name) carry the same
// controls. The one difference: the English Format Execute that the program
// opens has no progress bar; the host's other English one has it.
TEST(DialogIds, BothLanguagesOfADialogCarryTheSameControls)
{
    std::map<std::string, int> templates = constantsOf("templateId");
    int pairs = 0;
    for (const auto& [name, id] : templates) {
        if (name.size() <= 8 || name.compare(name.size() - 8, 8, "Japanese") != 0)
            continue;
        auto english = templates.find(name.substr(0, name.size() - 8) + "English");
        ASSERT_NE(english, templates.end()) << name << " has no English one";
        std::set<int> expected = controlIdsOf(*templateById(std::uint16_t(id)));
        if (english->second == templateId::formatExecuteEnglish)
            expected.erase(controlId::executeProgressBar);
        EXPECT_EQ(controlIdsOf(*templateById(std::uint16_t(english->second))), expected) << name;
        ++pairs;
    }
    EXPECT_EQ(pairs, 9);
    EXPECT_EQ(controlIdsOf(*templateById(templateId::formatExecuteWithProgressEnglish)),
              controlIdsOf(*templateById(templateId::formatExecuteJapanese)));
}

} // namespace
