// Replaces the global operator new and delete of the quick-format test
// program so that a test can count the allocations made while it looks.
// Kept apart from the tests so that the compiler never sees a new
// expression and this free() together.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace quick_format_test {
bool countAllocations = false;
std::size_t allocations = 0;
} // namespace quick_format_test

void* operator new(std::size_t size)
{
    if (quick_format_test::countAllocations)
        ++quick_format_test::allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
