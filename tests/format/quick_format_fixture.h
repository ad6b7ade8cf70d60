// Runs quickFormat against the test driver and reads back what it wrote:
// the reports it made and the sectors, in the order of the WRITE(10)
// requests the driver received.
#pragma once

#include "format/quick_format.h"
#include "os/clock.h"
#include "tests/support/test_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace quick_format_test {

struct Report {
    std::uint32_t done;
    std::uint32_t total;
    bool operator==(const Report&) const = default;
};

// Fixed storage, so that reporting itself never allocates.
struct ReportLog {
    static constexpr std::size_t capacity = 16;
    Report reports[capacity];
    std::size_t count = 0;

    std::vector<Report> all() const { return {reports, reports + (count < capacity ? count : capacity)}; }
};

inline void logReport(void* context, std::uint32_t done, std::uint32_t total)
{
    auto* log = static_cast<ReportLog*>(context);
    if (log->count < ReportLog::capacity)
        log->reports[log->count] = {done, total};
    ++log->count;
}

struct WrittenSector {
    std::uint32_t lba;
    const std::uint8_t* data;   // 512 bytes, owned by the test driver's record
};

// Every request the driver received, which must all be one-block writes to
// drive 0 carrying 512 bytes.
inline std::vector<WrittenSector> writtenSectors()
{
    std::vector<WrittenSector> sectors;
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord& r = *testDriverRequest(i);
        const std::uint8_t* command = r.record + 13;
        EXPECT_EQ(r.code, 103u);
        EXPECT_EQ(command[0], 0x2A) << "request " << i << " is not WRITE(10)";
        EXPECT_EQ(command[8], 1) << "request " << i << " writes more than one block";
        EXPECT_EQ(r.record[42] | r.record[43] << 8, 0) << "request " << i << " is not for drive 0";
        EXPECT_EQ(r.dataLength, 512u);
        std::uint32_t lba = std::uint32_t(command[2]) << 24 | command[3] << 16 | command[4] << 8 | command[5];
        sectors.push_back({lba, r.data});
    }
    return sectors;
}

// The data written to lba (the last write of it), or null.
inline const std::uint8_t* sectorAt(const std::vector<WrittenSector>& sectors, std::uint32_t lba)
{
    const std::uint8_t* found = nullptr;
    for (const WrittenSector& s : sectors)
        if (s.lba == lba)
            found = s.data;
    return found;
}

inline ClockReading fixedClock{2024, 7, 15, 13, 45, 37, 987};
inline ClockReading readFixedClock() { return fixedClock; }

// "MYLABEL" padded with four spaces, as the Format dialog hands it over.
inline constexpr std::uint8_t myLabel[11] = {'M', 'Y', 'L', 'A', 'B', 'E', 'L', ' ', ' ', ' ', ' '};

class QuickFormatRun : public testing::Test {
protected:
    void SetUp() override
    {
        testDriverReset();
        fixedClock = ClockReading{2024, 7, 15, 13, 45, 37, 987};
        replaceClock(readFixedClock);
    }
    void TearDown() override { replaceClock(nullptr); }

    bool format(std::uint32_t done, std::uint32_t total, const std::uint8_t label[11] = myLabel)
    {
        ProgressSink sink{logReport, &log};
        return quickFormat(sink, done, total, label);
    }

    ReportLog log;
};

} // namespace quick_format_test
