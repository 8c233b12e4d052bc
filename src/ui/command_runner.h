// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's commands as they run: the random source every Generate and Save draws from, and
// the threads a Generate, a Save and the reading of the saved campaigns run on, ended as one.

#include "core/random.h"

#include <array>
#include <cstdint>
#include <functional>
#include <thread>

namespace orvek {

class CommandRunner {
public:
    // The commands, in the order stop_all() ends them: a Save first, as one writing ends first.
    enum Kind { kSave, kGenerate, kListing };

    explicit CommandRunner(std::uint32_t seed) : random_(seed) {}
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;
    // Ends every command, as stop_all() does.
    ~CommandRunner() { stop_all(); }

    // The window's random source: its state is the seed a Generate shows and copies.
    Random& random() { return random_; }
    const Random& random() const { return random_; }

    // Runs `work` on a thread of its own as the command `kind`; `cancel`, when given, asks the
    // work to end early (stop_all() calls it). The caller has made sure none of `kind` runs.
    void start(Kind kind, std::function<void()> work, std::function<void()> cancel = {});
    // Whether the command `kind` has a thread that was not joined yet.
    bool running(Kind kind) const { return threads_[kind].joinable(); }
    // Waits for the command `kind` to end, when it runs: after it told the window it ended.
    void join(Kind kind);
    // Asks each running command to end, and waits for each.
    void stop_all();

private:
    Random random_;
    std::array<std::thread, 3> threads_;
    std::array<std::function<void()>, 3> cancels_;
};

}  // namespace orvek
