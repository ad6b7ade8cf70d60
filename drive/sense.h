// Why a command failed, in the drive's sense terms, and the fixed-format
// sense data that REQUEST SENSE returns for it.
#pragma once

#include "drive/drive_state.h"

#include <cstdint>

namespace senseKey {
constexpr std::uint8_t noSense = 0x0;
constexpr std::uint8_t notReady = 0x2;
constexpr std::uint8_t mediumError = 0x3;
constexpr std::uint8_t hardwareError = 0x4;
constexpr std::uint8_t illegalRequest = 0x5;
constexpr std::uint8_t unitAttention = 0x6;
constexpr std::uint8_t dataProtect = 0x7;
} // namespace senseKey

// A failure: sense key, additional sense code and qualifier.
struct Failure {
    std::uint8_t key;
    std::uint8_t code;
    std::uint8_t qualifier;
};

namespace failure {
constexpr Failure mediumNotPresent{senseKey::notReady, 0x3A, 0x00};
constexpr Failure formatInProgress{senseKey::notReady, 0x04, 0x04};
constexpr Failure mediumChanged{senseKey::unitAttention, 0x28, 0x00};
constexpr Failure invalidOperationCode{senseKey::illegalRequest, 0x20, 0x00};
constexpr Failure blockOutOfRange{senseKey::illegalRequest, 0x21, 0x00};
constexpr Failure invalidFieldInCommand{senseKey::illegalRequest, 0x24, 0x00};
constexpr Failure invalidFieldInParameters{senseKey::illegalRequest, 0x26, 0x00};
constexpr Failure commandSequenceError{senseKey::illegalRequest, 0x2C, 0x00};
constexpr Failure savingNotSupported{senseKey::illegalRequest, 0x39, 0x00};
constexpr Failure writeProtected{senseKey::dataProtect, 0x27, 0x00};
constexpr Failure accessNotAuthorized{senseKey::dataProtect, 0x74, 0x71};
constexpr Failure readError{senseKey::mediumError, 0x11, 0x00};
constexpr Failure writeError{senseKey::mediumError, 0x0C, 0x00};
constexpr Failure formatFailed{senseKey::mediumError, 0x31, 0x00};
constexpr Failure internalFailure{senseKey::hardwareError, 0x44, 0x00};
} // namespace failure

// Fixed-format sense data (response code 0x70, 10 additional bytes) for a
// failure; the three sense-key specific bytes are 15 to 17.
inline SenseData fixedSense(const Failure& why, std::uint8_t specific0 = 0, std::uint8_t specific1 = 0,
                            std::uint8_t specific2 = 0)
{
    SenseData sense{};
    sense[0] = 0x70;
    sense[2] = why.key;
    sense[7] = 10;
    sense[12] = why.code;
    sense[13] = why.qualifier;
    sense[15] = specific0;
    sense[16] = specific1;
    sense[17] = specific2;
    return sense;
}
