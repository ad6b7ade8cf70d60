#include "drive/protection_record.h"

#include "drive/drive_files.h"
#include "os/password_hash.h"

namespace {

bool hasPassword(DiskState state)
{
    DiskState base = state & 7;
    return state != stateBroken && (base == stateWriteProtectedPassword || base == stateReadWriteProtectedPassword);
}

bool isKnownState(DiskState state)
{
    switch (state) {
    case 0: case 2: case 3: case 5: case 10: case 11: case 13: case stateBroken:
        return true;
    default:
        return false;
    }
}

} // namespace

ProtectionRecord loadProtectionRecordIn(FileHandle folder, const std::string& name)
{
    std::optional<std::string> text = readWholeFileIn(folder, name);
    if (!text)
        return {stateBroken, {}};
    return parseProtectionRecord(*text);
}

ProtectionRecord parseProtectionRecord(const std::string& text)
{
    ProtectionRecord record;
    record.state = stateBroken;
    bool stateSeen = false;
    std::string line;
    for (std::size_t at = 0; nextLine(text, at, line);) {
        if (line.rfind("state ", 0) == 0) {
            std::string value = line.substr(6);
            if (value.size() >= 1 && value.size() <= 2 && value.find_first_not_of("0123456789") == std::string::npos &&
                isKnownState(DiskState(std::stoi(value)))) {
                record.state = DiskState(std::stoi(value));
                stateSeen = true;
            }
        } else if (line.rfind("password ", 0) == 0) {
            record.passwordHash = line.substr(9);
        }
    }
    if (!stateSeen || (hasPassword(record.state) && record.passwordHash.empty()))
        return {stateBroken, {}};
    if (!hasPassword(record.state))
        record.passwordHash.clear();
    return record;
}

bool saveProtectionRecordIn(FileHandle folder, const std::string& name, const ProtectionRecord& record)
{
    std::string text = "state " + std::to_string(record.state) + "\n";
    if (!record.passwordHash.empty())
        text += "password " + record.passwordHash + "\n";
    return replaceFileIn(folder, name, text);
}

bool allowsReading(DiskState state) { return state != stateReadWriteProtectedPassword; }

bool allowsWriting(DiskState state)
{
    // Unprotected, or a protection lifted until eject.
    return state == stateUnprotected || state == 10 || state == 11 || state == 13;
}

ProtectionChange changeProtection(ProtectionRecord& record, std::uint8_t mode, std::string_view password)
{
    DiskState state = record.state;
    bool fits;
    switch (mode) {
    case 0: fits = state == 2 || state == 3 || state == 5 || state == 10 || state == 11 || state == 13; break;
    case 2: fits = state == 0; break;
    case 3: case 5: fits = state == 0 || state == 2 || state == 10; break;
    case 8: fits = state == 2 || state == 3 || state == 5; break;
    default: return ProtectionChange::unknownMode;
    }
    if (!fits)
        return ProtectionChange::doesNotFitState;
    // crypt(3) reads the password up to a zero byte: refuse one inside it
    // rather than let two passwords hash alike.
    if (password.find('\0') != std::string_view::npos)
        return ProtectionChange::badPasswordField;

    if (mode == 2) {
        if (!password.empty())
            return ProtectionChange::badPasswordField;
        record = {stateWriteProtected, {}};
        return ProtectionChange::done;
    }
    if (mode == 3 || mode == 5) {
        if (password.empty())
            return ProtectionChange::badPasswordField;
        std::string hash = hashPassword(password);
        if (hash.empty())
            return ProtectionChange::hashFailed;
        record = {DiskState(mode), hash};
        return ProtectionChange::done;
    }
    bool right = hasPassword(state) ? passwordMatches(password, record.passwordHash) : password.empty();
    if (!right)
        return ProtectionChange::wrongPassword;
    if (mode == 0)
        record = {stateUnprotected, {}};
    else
        record.state = DiskState(state + liftedUntilEject);
    return ProtectionChange::done;
}

void endLiftUntilEject(ProtectionRecord& record)
{
    if (record.state == 10 || record.state == 11 || record.state == 13)
        record.state = DiskState(record.state - liftedUntilEject);
}
