// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Save's dialog that answers Yes to the overwrite question and to saving with problems, and keeps
// no message: for tests and benchmarks that save without asking.

#include "campaign/save.h"

namespace orvek::testing {

struct YesDialog : SaveDialog {
    void inform(const std::string&) override {}
    bool confirm(const std::string&) override { return true; }
    bool accept_problems(const std::vector<Finding>&) override { return true; }
};

}  // namespace orvek::testing
