#include "os/password_hash.h"

#include <crypt.h>
#include <memory>

// The preferred method of libcrypt, with a fresh random salt.
std::string hashPassword(std::string_view password)
{
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    if (crypt_gensalt_rn(nullptr, 0, nullptr, 0, setting, sizeof setting) == nullptr)
        return {};
    auto work = std::make_unique<crypt_data>();
    std::string phrase(password);
    const char* hash = crypt_rn(phrase.c_str(), setting, work.get(), sizeof(crypt_data));
    return hash == nullptr ? std::string() : std::string(hash);
}

bool passwordMatches(std::string_view password, const std::string& storedHash)
{
    if (storedHash.empty())
        return false;
    auto work = std::make_unique<crypt_data>();
    std::string phrase(password);
    const char* hash = crypt_rn(phrase.c_str(), storedHash.c_str(), work.get(), sizeof(crypt_data));
    if (hash == nullptr)
        return false;
    std::string_view made(hash);
    if (made.size() != storedHash.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < made.size(); ++i)
        difference |= static_cast<unsigned char>(made[i] ^ storedHash[i]);
    return difference == 0;
}
