#include "os/secret.h"

#include <string.h>

void clearSecret(void* buffer, std::size_t size)
{
    if (buffer != nullptr)
        explicit_bzero(buffer, size);
}
