#include "dialogs/window_class.h"

#include <cstddef>

namespace {

constexpr std::size_t classCapacity = 8;

struct RegisteredClass {
    const char16_t* name;
    ModuleHandle instance;
    bool used;
};

RegisteredClass classes[classCapacity];

bool sameName(const char16_t* a, const char16_t* b)
{
    for (; *a != u'\0' && *b != u'\0'; ++a, ++b) {
        char16_t x = (*a >= u'a' && *a <= u'z') ? char16_t(*a - 32) : *a;
        char16_t y = (*b >= u'a' && *b <= u'z') ? char16_t(*b - 32) : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

} // namespace

ClassAtom registerWindowClass(const WindowClassInfo& info)
{
    if (info.className == nullptr || info.className[0] == u'\0')
        return 0;
    for (const RegisteredClass& c : classes)
        if (c.used && sameName(c.name, info.className))
            return 0;
    for (std::size_t i = 0; i < classCapacity; ++i) {
        if (!classes[i].used) {
            classes[i] = RegisteredClass{info.className, info.instance, true};
            return static_cast<ClassAtom>(0xC000 + i);
        }
    }
    return 0;
}

bool unregisterWindowClass(const char16_t* className, ModuleHandle instance)
{
    for (RegisteredClass& c : classes) {
        if (c.used && c.instance == instance && sameName(c.name, className)) {
            c.used = false;
            return true;
        }
    }
    return false;
}

bool findTopLevelWindow(const char16_t*)
{
    // No window of a registered class is ever created in this process, and
    // other processes' windows are not visible from here.
    return false;
}
