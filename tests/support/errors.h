// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The message of the Error that a piece of code throws, to compare messages in a table.

#include "core/error.h"

#include <functional>
#include <string>

namespace orvek::testing {

inline std::string error_of(const std::function<void()>& code)
{
    try {
        code();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace orvek::testing
