// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a program through the shell and collects its exit status and both outputs.

#include "support/temp_dir.h"

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace orvek::testing {

struct CommandResult {
    int status = -1;
    std::string out, err;
};

inline CommandResult run_command(const std::string& command)
{
    TempDir capture;
    const std::string out = (capture.path() / "out").string(),
                      err = (capture.path() / "err").string();
#ifdef _WIN32
    // cmd.exe knows only double quotes, and drops the first and the last of the line.
    int raw = std::system(("\"" + command + " >\"" + out + "\" 2>\"" + err + "\"\"").c_str());
#else
    int raw = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
#endif
    CommandResult result;
#ifdef _WIN32
    result.status = raw;
#else
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    result.out = read_bytes(out);
    result.err = read_bytes(err);
    return result;
}

}  // namespace orvek::testing
