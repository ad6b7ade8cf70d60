// The script front end's line reader over any bytes: each input is a script
// read action by action until its end. A closing line is put after the
// input, and the reader must reach it: every line of a script is read as an
// action or refused on its own, so no line may swallow the next one. A
// script that runs out before the closing line ends the process with
// "stalled", which the fuzzer reports.
#include "frontend/script/script_front_end.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char closingLine[] = "\nkey f1\n";

std::FILE* transcript()
{
    static std::FILE* sink = std::fopen("/dev/null", "w");
    return sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<char> script(data, data + size);
    script.insert(script.end(), closingLine, closingLine + std::strlen(closingLine));
    std::FILE* stream = fmemopen(script.data(), script.size(), "r");
    if (stream == nullptr)
        return 0;
    ScriptFrontEnd frontEnd(stream, transcript());
    // The closing line is the last one: the reader has read it when it
    // answers with its key and the stream stands at its end.
    for (;;) {
        UserAction action;
        frontEnd.nextAction(nullptr, &action);
        if (action.kind == UserActionKind::Key && action.key == DialogKey::F1 &&
            std::ftell(stream) == long(script.size()))
            break;
    }
    std::fclose(stream);
    return 0;
}
