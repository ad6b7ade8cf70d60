// Replaces the global operator new and delete of the benchmark so that it
// can count the heap allocations made while quickFormat runs. Kept apart
// so that the compiler never sees a new expression and this free() together.
//
// The benchmark exports no symbol (no_exports.map): only its own code (the
// program's) calls them. The virtual drive library keeps the standard ones,
// so its allocations, which belong to the drive and not to the format, are
// not counted.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace benchmark_count {
bool counting = false;
std::size_t allocations = 0;
} // namespace benchmark_count

void* operator new(std::size_t size)
{
    if (benchmark_count::counting)
        ++benchmark_count::allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
