// Clearing memory that held a secret (a password), in a way the compiler
// cannot leave out because the memory is not read afterwards.
#pragma once

#include <cstddef>

void clearSecret(void* buffer, std::size_t size);
