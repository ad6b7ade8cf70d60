#include "tests/support/test_driver.h"

#include <cstring>
#include <deque>
#include <vector>

namespace {

std::deque<TestDriverAnswer> queued;
// By operation code. A plain array: a std::map would bring a unique symbol
// that keeps the library loaded after dlclose, and the binding tests need
// it to go.
std::deque<TestDriverAnswer> queuedForCommand[256];
TestDriverAnswer defaultAnswer;
std::vector<TestDriverRecord> received;

std::uint32_t read32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

std::uint8_t* bufferOf(std::uint8_t* record)
{
    std::uint64_t address = read32(record) | std::uint64_t(read32(record + 28)) << 32;
    return reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address));
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int MSD_IOControl(std::uint32_t, std::uint32_t code, void* input,
                                                         std::uint32_t inputSize, void*, std::uint32_t,
                                                         std::uint32_t*)
{
    auto* record = static_cast<std::uint8_t*>(input);
    TestDriverRecord seen{};
    seen.code = code;
    seen.inputSize = inputSize;
    std::memcpy(seen.record, record, 48);
    std::uint8_t* buffer = bufferOf(record);
    seen.bufferWasNull = buffer == nullptr;
    std::uint32_t dataIn = read32(record + 8);
    std::uint32_t length = read32(record + 32);
    if (buffer != nullptr && dataIn == 0 && length > 0) {
        seen.dataLength = length > 512 ? 512 : length;
        std::memcpy(seen.data, buffer, seen.dataLength);
    }
    received.push_back(seen);

    TestDriverAnswer answer = defaultAnswer;
    std::deque<TestDriverAnswer>& forCommand = queuedForCommand[record[13]];
    if (code == 103 && !forCommand.empty()) {
        answer = forCommand.front();
        forCommand.pop_front();
    } else if (!queued.empty()) {
        answer = queued.front();
        queued.pop_front();
    }
    if (buffer != nullptr && dataIn == 1 && answer.dataLength > 0) {
        std::uint32_t n = answer.dataLength < length ? answer.dataLength : length;
        std::memcpy(buffer, answer.data, n);
    }
    if (!answer.leaveStatus)
        std::memcpy(record + 36, &answer.status, 4);
    record[40] = answer.senseCode;
    record[41] = answer.senseQualifier;
    return 1;
}

void testDriverReset()
{
    queued.clear();
    for (std::deque<TestDriverAnswer>& answers : queuedForCommand)
        answers.clear();
    received.clear();
    defaultAnswer = TestDriverAnswer{};
}

void testDriverQueueAnswer(const TestDriverAnswer* answer) { queued.push_back(*answer); }
void testDriverSetDefaultAnswer(const TestDriverAnswer* answer) { defaultAnswer = *answer; }
void testDriverQueueAnswerForCommand(std::uint8_t operationCode, const TestDriverAnswer* answer)
{
    queuedForCommand[operationCode].push_back(*answer);
}
std::size_t testDriverRequestCount() { return received.size(); }
const TestDriverRecord* testDriverRequest(std::size_t index) { return index < received.size() ? &received[index] : nullptr; }
}
