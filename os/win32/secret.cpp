#include "os/secret.h"

#include <windows.h>

void clearSecret(void* buffer, std::size_t size)
{
    if (buffer != nullptr)
        SecureZeroMemory(buffer, size);
}
