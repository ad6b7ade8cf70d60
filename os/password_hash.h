// A disk's password kept as a salted hash, never as itself: made by the
// system's password hashing with a fresh random salt, and checked against
// what was kept.
#pragma once

#include <string>
#include <string_view>

// The hash of password in the system's own form (a crypt(3) string on
// Linux); empty when it could not be made. The password holds no zero byte.
std::string hashPassword(std::string_view password);

// The password is the one whose hash was kept; compares every byte, so the
// time taken tells nothing about the hash.
bool passwordMatches(std::string_view password, const std::string& storedHash);
