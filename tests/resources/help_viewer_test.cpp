// The help viewer: each topic of the tool is shown as written, unknown
// topics and paths are refused with exit status 1.
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string topicFile(const std::string& topic)
{
    std::ifstream in(std::string(QUIB_SOURCE_DIR) + "/help/" + topic, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(HelpViewer, ShowsEachTopicOfTheToolAsWritten)
{
    struct Case {
        const char* topic;
        const char* title;
    };
    for (Case c : {Case{"QuibUSB.htc", "Quib! Tools"}, {"QuibUSBStatus.htp", "Status"},
                   {"QuibUSBFolder.htp", "Folder Setting"}, {"QuibUSBFormat.htp", "Format"},
                   {"QuibUSBProtect.htp", "Protect Setting"}}) {
        SCOPED_TRACE(c.topic);
        std::string written = topicFile(c.topic);
        ASSERT_EQ(written.rfind(std::string(c.title) + "\n", 0), 0u);   // the topic opens with its title
        ProgramRun run = runProgram(builtProgram("quibhelp"), {c.topic});
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(run.output, written);
        EXPECT_EQ(run.errors, "");
    }
}

TEST(HelpViewer, RefusesTopicsItDoesNotHave)
{
    for (const char* topic : {"QuibUSBMissing.htp", "quibusb.htc", "../help/QuibUSB.htc", "..", ""}) {
        SCOPED_TRACE(topic);
        ProgramRun run = runProgram(builtProgram("quibhelp"), {topic});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.output, "");
        EXPECT_NE(run.errors.find(std::string("no help topic '") + topic + "'"), std::string::npos) << run.errors;
    }
}

TEST(HelpViewer, ExplainsItselfAndRefusesAMissingTopic)
{
    ProgramRun help = runProgram(builtProgram("quibhelp"), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("Usage: quibhelp TOPIC\n", 0), 0u);

    ProgramRun none = runProgram(builtProgram("quibhelp"), {});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.errors.find("quibhelp --help"), std::string::npos);
}

} // namespace
