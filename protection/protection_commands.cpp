#include "protection/protection_commands.h"

#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "os/code_page.h"
#include "os/secret.h"
#include "protection/protection_status.h"

#include <cstddef>

namespace {

constexpr std::size_t passwordByteLimit = 32;

// The steps every operation shares; password is null for a command that
// carries none.
bool runProtectionCommand(ProtectionCommandMode mode, const char16_t* password)
{
    if (!protectionModeOn)
        switchProtectionMode(true);

    bool result = false;
    char converted[passwordByteLimit + 1] = {};
    bool ready = true;
    if (password != nullptr) {
        std::size_t length = 0;
        ready = wideToCodePage(password, converted, passwordByteLimit, &length);
        converted[ready ? length : 0] = '\0';
        converted[passwordByteLimit] = '\0';
    }
    if (ready && sendProtectionCommand(driveIndex, password != nullptr ? converted : nullptr, mode)) {
        ProtectionState state = queryProtectionState(nullptr);
        result = sendRemount(driveIndex, state != stateReadWriteProtectedPassword);
    }
    // The 8-bit copy of the password is not needed any more.
    clearSecret(converted, sizeof converted);

    switchProtectionMode(false);
    return result;
}

} // namespace

bool writeProtectDisk() { return runProtectionCommand(modeWriteProtect, nullptr); }

bool unprotectDisk(const char16_t* password) { return runProtectionCommand(modeUnprotect, password); }

bool writeProtectWithPassword(const char16_t* password)
{
    return runProtectionCommand(modeWriteProtectPassword, password);
}

bool readWriteProtectWithPassword(const char16_t* password)
{
    return runProtectionCommand(modeReadWriteProtectPassword, password);
}

bool unprotectUntilEject(const char16_t* password) { return runProtectionCommand(modeUnprotectUntilEject, password); }
