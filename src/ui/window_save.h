// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Save the window runs: what it saves and how it ended, shared by its thread and the window's.

#include "campaign/save.h"
#include "ui/main_window.h"

#include <QString>

#include <array>
#include <atomic>
#include <string>
#include <vector>

namespace orvek {

struct MainWindow::Saving {
    Galaxy galaxy;  // a copy: the map keeps showing the window's own
    SaveRequest request;
    QString shown_name;
    std::atomic<bool> cancel{false};
    SaveResult result = SaveResult::Cancelled;
    std::string error;
    // What the files just saved hold, read back on the Save's thread for the tooltips; empty
    // when they could not be read.
    std::vector<std::array<bool, kFeatureCount>> written;
    // The opened campaign's files as the player last saw them; after a save back, as written.
    std::string seen_on_disk;
};

}  // namespace orvek
