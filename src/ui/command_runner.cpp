// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/command_runner.h"

#include <utility>

namespace orvek {

void CommandRunner::start(Kind kind, std::function<void()> work, std::function<void()> cancel)
{
    cancels_[kind] = std::move(cancel);
    threads_[kind] = std::thread(std::move(work));
}

void CommandRunner::join(Kind kind)
{
    if (threads_[kind].joinable())
        threads_[kind].join();
    cancels_[kind] = nullptr;
}

void CommandRunner::stop_all()
{
    for (const Kind kind : {kSave, kGenerate, kListing}) {
        if (running(kind) && cancels_[kind])
            cancels_[kind]();
        join(kind);
    }
}

}  // namespace orvek
