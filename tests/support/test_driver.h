// The test driver library: stands in for ZOVEVIV.DLL, answers each request
// as the test scripted it and records every request it received.
#pragma once

#include <cstddef>
#include <cstdint>

struct TestDriverAnswer {
    std::uint32_t status = 0;         // written into the record
    bool leaveStatus = false;         // return without touching status
    std::uint8_t senseCode = 0;
    std::uint8_t senseQualifier = 0;
    std::uint8_t data[512] = {};      // copied into the caller's buffer for data-in requests
    std::uint32_t dataLength = 0;     // at most transferLength of it is copied
};

struct TestDriverRecord {
    std::uint32_t code;               // 101, 102 or 103
    std::uint32_t inputSize;
    std::uint8_t record[48];          // the request as it arrived
    std::uint8_t data[512];           // data sent to the drive (dataIn 0)
    std::uint32_t dataLength;
    bool bufferWasNull;
};

extern "C" {
// Forgets every queued answer and recorded request; the default answer
// becomes plain success.
void testDriverReset();
// Answers in the order queued; when none is queued the default answers.
void testDriverQueueAnswer(const TestDriverAnswer* answer);
void testDriverSetDefaultAnswer(const TestDriverAnswer* answer);
// Answers for drive commands (request 103) with the given operation code
// come from this queue first, before the common queue; a test can script
// one command's answers without counting every other request.
void testDriverQueueAnswerForCommand(std::uint8_t operationCode, const TestDriverAnswer* answer);
std::size_t testDriverRequestCount();
const TestDriverRecord* testDriverRequest(std::size_t index);
}
