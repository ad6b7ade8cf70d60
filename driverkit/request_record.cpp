#include "driverkit/request_record.h"

#include "os/code_page.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

namespace {

// The record's copy when input holds exactly one record; false otherwise.
bool readRequestRecord(const void* input, std::uint32_t inputSize, DriverRequest& request)
{
    if (input == nullptr || inputSize != sizeof(DriverRequest))
        return false;
    std::memcpy(&request, input, sizeof request);
    return true;
}

// Writes status and sense code and qualifier into the caller's record.
void answerRecord(void* input, std::uint32_t status, std::uint8_t senseCode, std::uint8_t senseQualifier)
{
    auto* record = static_cast<std::uint8_t*>(input);
    std::memcpy(record + offsetof(DriverRequest, status), &status, sizeof status);
    std::memcpy(record + offsetof(DriverRequest, senseCode), &senseCode, 1);
    std::memcpy(record + offsetof(DriverRequest, senseQualifier), &senseQualifier, 1);
}

} // namespace

void* requestBuffer(const DriverRequest& request)
{
    std::uint64_t address = std::uint64_t(request.dataBufferHigh) << 32 | request.dataBuffer;
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
}

std::uint32_t checkRequest(std::uint32_t code, const DriverRequest& request)
{
    if (code != RequestRemount && code != RequestMountFolder && code != RequestCommand)
        return statusNotCarriedOut;
    if (request.driveIndex != 0)
        return statusNoDrive; // the only drive is drive 0
    void* buffer = requestBuffer(request);
    if (code == RequestCommand &&
        (request.commandLength != 12 || (request.transferLength > 0 && buffer == nullptr)))
        return statusNotCarriedOut;
    if (code == RequestMountFolder && (buffer == nullptr || request.transferLength < 2))
        return statusNotCarriedOut;
    return statusSuccess;
}

std::uint32_t answerMountFolder(const std::string& folder, const DriverRequest& request)
{
    char16_t name[64] = {};
    if (!folder.empty() && !utf8ToWide(folder.c_str(), name, std::size(name)))
        name[0] = u'\0';
    std::size_t room = std::min<std::uint32_t>(request.transferLength, 32) / 2 - 1; // characters before the zero
    std::size_t length = 0;
    while (length < room && name[length] != u'\0')
        ++length;
    if (length > 0 && name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF)
        --length; // do not split a surrogate pair
    name[length] = u'\0';
    std::uint32_t bytes = std::uint32_t((length + 1) * sizeof(char16_t));
    std::memcpy(requestBuffer(request), name, bytes);
    return bytes;
}

int serveRequest(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned,
                 RequestAnswer (*carryOut)(std::uint32_t code, const DriverRequest& request))
{
    DriverRequest request;
    if (!readRequestRecord(input, inputSize, request))
        return 0;
    RequestAnswer answer;
    try {
        answer = carryOut(code, request);
    } catch (...) {
        answer = refusedRequest(statusNotCarriedOut);
    }
    answerRecord(input, answer.status, answer.senseCode, answer.senseQualifier);
    if (returned != nullptr)
        *returned = answer.moved;
    return answer.status == statusSuccess ? 1 : 0;
}
