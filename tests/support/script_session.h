// Runs dialogs in the test's own process under the script front end: the
// script is read from memory and the transcript written to memory, so a
// test can call an opener directly and compare what the tool showed.
#pragma once

#include "dialogs/front_end.h"
#include "frontend/script/script_front_end.h"

#include <cstdio>
#include <cstdlib>
#include <string>

template <class ScriptFrontEndType = ScriptFrontEnd>
class ScriptSession {
public:
    explicit ScriptSession(const std::string& script)
        : script_(script),
          // fmemopen cannot open an empty buffer.
          in_(script_.empty() ? std::fopen("/dev/null", "r") : fmemopen(script_.data(), script_.size(), "r")),
          out_(open_memstream(&buffer_, &size_)),
          frontEnd_(in_, out_)
    {
        installFrontEnd(&frontEnd_);
    }
    ~ScriptSession()
    {
        installFrontEnd(nullptr);
        std::fclose(in_);
        std::fclose(out_);
        std::free(buffer_);
    }
    ScriptSession(const ScriptSession&) = delete;
    ScriptSession& operator=(const ScriptSession&) = delete;

    // What the tool showed so far.
    std::string transcript()
    {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }
    ScriptFrontEndType& frontEnd() { return frontEnd_; }

private:
    std::string script_;
    std::FILE* in_;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* out_;
    ScriptFrontEndType frontEnd_;
};
