// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What this program is and where it comes from: its version, the commit it was built from, and
// its licence, in the words both programs show (--version, the window's About).

#include <string>

namespace orvek {

// "1.0".
std::string program_version();

// The first twelve digits of the commit the program was built from, followed by "+changes" when
// the tree held uncommitted changes; "unknown" when it was built without git.
std::string program_commit();

// The licence in one line, and the free-software notice that goes with it.
inline constexpr char kLicenceLine[] =
    "Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).";
inline constexpr char kFreeSoftwareNotice[] =
    "This is free software: you may change it and share it under that licence. It comes with "
    "no warranty, to the extent the law allows.";

}  // namespace orvek
