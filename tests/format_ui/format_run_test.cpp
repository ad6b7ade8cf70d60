// The format run behind Start, on the test driver library: the progress a
// Simple and a Long Format show, the drive's progress polls, each failure
// and what follows it, and the re-mount's readable flag.
#include "tests/format_ui/format_fixture.h"

namespace format_test {
namespace {

// OK, Yes, Start, then Close of the Format Execute dialog.
const std::string simpleRun = "click 1\nanswer yes\nclick 1\nclick 2\n";
const std::string longRun = "click 1038\nclick 1\nanswer yes\nclick 1\nclick 2\n";
// The same, answering the failure's message box.
const std::string failingSimpleRun = "click 1\nanswer yes\nclick 1\nanswer ok\nclick 2\n";
const std::string failingLongRun = "click 1038\nclick 1\nanswer yes\nclick 1\nanswer ok\ndump\nclick 2\n";
const std::string failedFormatBox = "message 0x10 \"Format Status\" \"Format Failed.\"";

TEST_F(FormatTest, SimpleFormatShowsItsProgressAndCompletes)
{
    std::string transcript = runFormatDialog(simpleRun);

    EXPECT_EQ(shownPercentages(transcript), (std::vector<int>{0, 14, 49, 84, 99, 100}));
    EXPECT_EQ(linesStartingWith(transcript, "text 1041 "),
              (std::vector<std::string>{"text 1041 \"Formatting...\"", "text 1041 \"Format Completed.\""}));
    EXPECT_EQ(linesStartingWith(transcript, "text 1046 \"Format Completed.\"").size(), 1u);
    EXPECT_EQ(commandsSent(writeCode), 219u);
    EXPECT_EQ(commandsSent(formatUnitCode), 0u);
    EXPECT_EQ(remounts(), std::vector<bool>{true});
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(transcript.find("message 0x10"), std::string::npos);
}

TEST_F(FormatTest, StartWorksOncePerOpeningWhateverTheOutcome)
{
    std::string transcript = runFormatDialog("click 1\nanswer yes\nclick 1\nclick 1\ndump\nclick 2\n");

    EXPECT_NE(transcript.find("refused click 1 \"the control is disabled\""), std::string::npos) << transcript;
    // The disabled Start gives the focus, and with it Enter, to Close.
    EXPECT_NE(transcript.find("control 1 button \"Start\" disabled\ncontrol 2 defbutton \"Close\" enabled focus\n"),
              std::string::npos)
        << transcript;
    EXPECT_EQ(commandsSent(writeCode), 219u);
}

TEST_F(FormatTest, JapaneseRunMovesTheBarWithTheText)
{
    useLanguage(1041);
    std::string transcript = runFormatDialog(simpleRun);

    EXPECT_EQ(linesStartingWith(transcript, "progress 1030 "),
              (std::vector<std::string>{"progress 1030 14", "progress 1030 49", "progress 1030 84", "progress 1030 99",
                                        "progress 1030 100"}));
    EXPECT_NE(transcript.find("text 1046 \"フォーマット実行中です。\\r\\nしばらくお待ちください。\\r\\n  49% 完了\""),
              std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find("text 1041 \"フォーマット完了\""), std::string::npos);
}

TEST_F(FormatTest, EnglishDialogHasNoBarAndTheTextCarriesTheProgress)
{
    std::string transcript = runFormatDialog(simpleRun);

    EXPECT_TRUE(linesStartingWith(transcript, "progress ").empty()) << transcript;
    EXPECT_EQ(shownPercentages(transcript).back(), 100);
}

// Poll 1 reports 0x40/256; poll 2 finds no progress, then progress again,
// and keeps 24 %; poll 3 finds no progress twice: the drive is done.
TEST_F(FormatTest, LongFormatFollowsTheDrivesProgressThenWritesTheImage)
{
    answerSense(0x80, 0x40);
    answerSense(0x00);
    answerSense(0x80, 0x90);
    answerSense(0x00);
    answerSense(0x00);
    std::string transcript = runFormatDialog(longRun);

    EXPECT_EQ(shownPercentages(transcript), (std::vector<int>{0, 24, 99, 100})) << transcript;
    EXPECT_EQ(pauses, (std::vector<std::uint32_t>{500, 500, 500}));
    EXPECT_EQ(commandsSent(formatUnitCode), 1u);
    EXPECT_EQ(commandsSent(requestSenseCode), 5u);
    EXPECT_EQ(commandsSent(writeCode), 219u);
    EXPECT_NE(transcript.find("text 1041 \"Format Completed.\""), std::string::npos);
    EXPECT_EQ(remounts(), std::vector<bool>{true});
}

TEST_F(FormatTest, LongFormatWhoseFirstPollFindsTheDriveDoneGoesStraightTo99)
{
    answerSense(0x00);
    answerSense(0x00);
    useLanguage(1041);
    std::string transcript = runFormatDialog(longRun);

    EXPECT_EQ(linesStartingWith(transcript, "progress 1030 "),
              (std::vector<std::string>{"progress 1030 99", "progress 1030 100"}));
    EXPECT_EQ(pauses, std::vector<std::uint32_t>{500});
}

// Every answer of the style radio other than 1 means Long Format: with the
// Simple radio unchecked the run sends FORMAT UNIT.
TEST_F(FormatTest, AnUncheckedSimpleRadioRunsTheLongFormat)
{
    answerSense(0x00);
    answerSense(0x00);
    runFormatDialog(longRun);
    EXPECT_EQ(commandsSent(formatUnitCode), 1u);
}

struct EarlyFailure {
    const char* name;
    void (*arrange)();
    std::size_t sensesSent;
    std::vector<int> percentages;
    friend void PrintTo(const EarlyFailure& c, std::ostream* os) { *os << c.name; }
};

class LongFormatEarlyFailure : public FormatTest, public testing::WithParamInterface<EarlyFailure> {};

// A refused FORMAT UNIT or a failed poll ends the run at once: no image,
// no 100 %, no state query after it and no re-mount.
TEST_P(LongFormatEarlyFailure, ReportsAndStopsWithoutRemount)
{
    GetParam().arrange();
    std::string transcript = runFormatDialog(failingLongRun);

    EXPECT_EQ(shownPercentages(transcript), GetParam().percentages) << transcript;
    EXPECT_NE(transcript.find(failedFormatBox), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("text 1041 \"Un formatted\""), std::string::npos);
    EXPECT_NE(transcript.find("text 1046 \"Push Start Button to Start Format.\""), std::string::npos);
    EXPECT_EQ(commandsSent(requestSenseCode), GetParam().sensesSent);
    EXPECT_EQ(commandsSent(writeCode), 0u);
    EXPECT_TRUE(remounts().empty());
    // Only the two status queries of the Format dialog itself.
    EXPECT_EQ(commandsSent(vendorStatusCode), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LongFormatEarlyFailure,
    testing::Values(EarlyFailure{"FormatUnitRefused", [] { refuseCommand(formatUnitCode); }, 0, {0}},
                    EarlyFailure{"FirstPollFails", [] { refuseCommand(requestSenseCode); }, 1, {0}},
                    EarlyFailure{"SecondReadOfAPollFails",
                                 [] {
                                     answerSense(0x80, 0x20);
                                     answerSense(0x00);
                                     refuseCommand(requestSenseCode);
                                 },
                                 3, {0, 12}},
                    // The disk left the drive, or another took its place:
                    // the drive's format was cut short on a disk that is no
                    // longer the one the user chose.
                    EarlyFailure{"PollFindsNoDisk", [] { answerSenseCode(2, 0x3A); }, 1, {0}},
                    EarlyFailure{"PollFindsTheDiskChanged", [] { answerSenseCode(6, 0x28); }, 1, {0}},
                    EarlyFailure{"PollFindsTheDiskChangedWithAnotherKey", [] { answerSenseCode(0, 0x28); }, 1, {0}},
                    EarlyFailure{"PollFindsTheDriveReset", [] { answerSenseCode(6, 0x29); }, 1, {0}},
                    EarlyFailure{"SecondReadOfAPollFindsTheDiskChanged",
                                 [] {
                                     answerSense(0x80, 0x20);
                                     answerSense(0x00);
                                     answerSenseCode(6, 0x28);
                                 },
                                 3, {0, 12}}));

// A drive that reports progress for ever is given up after 30 minutes of
// pauses between polls, like a failed poll, so the buttons come back.
TEST_F(FormatTest, DriveThatNeverFinishesIsGivenUpAsAFailedPoll)
{
    TestDriverAnswer progressForEver;
    progressForEver.data[15] = 0x80;
    progressForEver.data[16] = 0x10;
    progressForEver.dataLength = 18;
    testDriverSetDefaultAnswer(&progressForEver);

    std::string transcript = runFormatDialog(failingLongRun);

    std::uint64_t waited = 0;
    for (std::uint32_t p : pauses)
        waited += p;
    EXPECT_EQ(waited, 30u * 60 * 1000);
    EXPECT_EQ(shownPercentages(transcript), (std::vector<int>{0, 6})) << transcript;
    EXPECT_NE(transcript.find(failedFormatBox), std::string::npos);
    EXPECT_NE(transcript.find("text 1041 \"Un formatted\""), std::string::npos);
    EXPECT_NE(transcript.find("control 2 defbutton \"Close\" enabled focus"), std::string::npos);
    EXPECT_EQ(commandsSent(writeCode), 0u);
    EXPECT_TRUE(remounts().empty());
}

TEST_F(FormatTest, FailingImageWriteStillEndsAt100AndRemounts)
{
    // The image's 40th write is refused.
    for (int i = 0; i < 39; ++i)
        answerCommand(writeCode, TestDriverAnswer{});
    refuseCommand(writeCode);

    std::string transcript = runFormatDialog(failingSimpleRun);

    EXPECT_EQ(commandsSent(writeCode), 40u);
    EXPECT_NE(transcript.find(failedFormatBox), std::string::npos) << transcript;
    EXPECT_EQ(linesStartingWith(transcript, "text 1041 ").back(), "text 1041 \"Un formatted\"");
    // The box shows before the final 100 %.
    EXPECT_EQ(shownPercentages(transcript).back(), 100);
    EXPECT_LT(transcript.find(failedFormatBox), transcript.find("100% Complete"));
    EXPECT_EQ(commandsSent(vendorStatusCode), 3u);
    EXPECT_EQ(remounts(), std::vector<bool>{true});
    EXPECT_EQ(linesStartingWith(transcript, "text 1046 ").back(), "text 1046 \"Push Start Button to Start Format.\"");
}

// A WRITE refused with a unit attention (the disk was swapped between two
// writes) ends the run at once: nothing more is written.
TEST_F(FormatTest, WriteRefusedAfterADiskChangeEndsTheRun)
{
    for (int i = 0; i < 31; ++i)
        answerCommand(writeCode, TestDriverAnswer{});
    TestDriverAnswer changed;
    changed.status = 2;
    changed.senseCode = 0x28;
    answerCommand(writeCode, changed);

    std::string transcript = runFormatDialog(failingSimpleRun);

    EXPECT_EQ(commandsSent(writeCode), 32u);
    EXPECT_NE(transcript.find(failedFormatBox), std::string::npos) << transcript;
    EXPECT_EQ(linesStartingWith(transcript, "text 1041 ").back(), "text 1041 \"Un formatted\"");
}

TEST_F(FormatTest, JapaneseFailureTexts)
{
    useLanguage(1041);
    refuseCommand(writeCode);
    std::string transcript = runFormatDialog(failingSimpleRun);

    EXPECT_NE(transcript.find("message 0x10 \"フォーマット結果\" \"フォーマットに失敗しました。\""), std::string::npos)
        << transcript;
    EXPECT_EQ(linesStartingWith(transcript, "text 1041 ").back(), "text 1041 \"未フォーマット\"");
    EXPECT_EQ(linesStartingWith(transcript, "text 1046 ").back(),
              "text 1046 \"フォーマット開始ボタンを押すと，\\r\\nフォーマットを開始します。\"");
}

struct RemountCase {
    std::uint16_t stateAfter;   // 0xFFFE and 0xFFFF: no disk, no drive
    bool readable;
};

class RemountAfterFormat : public FormatTest, public testing::WithParamInterface<RemountCase> {};

// Only a disk read/write protected with a password is re-mounted unreadable.
TEST_P(RemountAfterFormat, ReadableUnlessTheDiskIsReadWriteProtected)
{
    answerState(0);
    answerState(0);
    std::uint16_t state = GetParam().stateAfter;
    if (state == NoDisk || state == NoDrive) {
        // The probes of the Format dialog's two queries find the disk; the
        // one after the format finds the slot empty, or no drive at all.
        answerCommand(0x00, TestDriverAnswer{});
        answerCommand(0x00, TestDriverAnswer{});
        TestDriverAnswer probe;
        probe.status = state == NoDisk ? 2 : 14;
        probe.senseCode = state == NoDisk ? 0x3A : 0;
        answerCommand(0x00, probe);
    } else {
        answerState(std::uint8_t(state));
    }
    runFormatDialog(simpleRun);
    EXPECT_EQ(remounts(), std::vector<bool>{GetParam().readable});
}

INSTANTIATE_TEST_SUITE_P(States, RemountAfterFormat,
                         testing::Values(RemountCase{5, false}, RemountCase{0, true}, RemountCase{3, true},
                                         RemountCase{13, true}, RemountCase{NoDisk, true},
                                         RemountCase{NoDrive, true}));

} // namespace
} // namespace format_test
