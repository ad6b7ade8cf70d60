// Password hashing on Windows: PBKDF2 with HMAC-SHA-256 from the system's
// cryptography (bcrypt.dll), a fresh random salt of 16 bytes from its
// random source, kept as "$pbkdf2-sha256$ROUNDS$SALT$HASH" with salt and
// hash in hexadecimal. The rounds are kept with the hash, so a later
// version may ask for more without losing the passwords kept.
#include "os/password_hash.h"

#include <windows.h>
#include <bcrypt.h>

#include <charconv>
#include <cstdint>
#include <cstdio>

namespace {

constexpr unsigned long defaultRounds = 200000;
constexpr std::size_t saltSize = 16, hashSize = 32;
constexpr const char* prefix = "$pbkdf2-sha256$";

bool derive(std::string_view password, const unsigned char* salt, unsigned long rounds, unsigned char* out)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG)))
        return false;
    NTSTATUS status = BCryptDeriveKeyPBKDF2(algorithm, PUCHAR(password.data()), ULONG(password.size()), PUCHAR(salt),
                                            ULONG(saltSize), rounds, out, ULONG(hashSize), 0);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return BCRYPT_SUCCESS(status);
}

std::string hexOf(const unsigned char* bytes, std::size_t count)
{
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

bool bytesOf(std::string_view hex, unsigned char* out, std::size_t count)
{
    if (hex.size() != count * 2)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned value = 0;
        auto [end, error] = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, value, 16);
        if (error != std::errc() || end != hex.data() + 2 * i + 2)
            return false;
        out[i] = static_cast<unsigned char>(value);
    }
    return true;
}

std::string hashWith(std::string_view password, const unsigned char* salt, unsigned long rounds)
{
    unsigned char hash[hashSize];
    if (!derive(password, salt, rounds, hash))
        return {};
    return prefix + std::to_string(rounds) + "$" + hexOf(salt, saltSize) + "$" + hexOf(hash, hashSize);
}

} // namespace

std::string hashPassword(std::string_view password)
{
    unsigned char salt[saltSize];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, salt, ULONG(saltSize), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return {};
    return hashWith(password, salt, defaultRounds);
}

bool passwordMatches(std::string_view password, const std::string& storedHash)
{
    std::string_view stored(storedHash);
    if (stored.substr(0, std::string_view(prefix).size()) != prefix)
        return false;
    stored.remove_prefix(std::string_view(prefix).size());
    std::size_t roundsEnd = stored.find('$');
    unsigned long rounds = 0;
    if (roundsEnd == std::string_view::npos ||
        std::from_chars(stored.data(), stored.data() + roundsEnd, rounds).ptr != stored.data() + roundsEnd ||
        rounds == 0 || rounds > 10000000)
        return false;
    unsigned char salt[saltSize];
    if (!bytesOf(stored.substr(roundsEnd + 1, saltSize * 2), salt, saltSize))
        return false;
    std::string made = hashWith(password, salt, rounds);
    if (made.empty() || made.size() != storedHash.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < made.size(); ++i)
        difference |= static_cast<unsigned char>(made[i] ^ storedHash[i]);
    return difference == 0;
}
