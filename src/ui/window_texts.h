// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts of the window that the command-line tool shows as well, without any widget.

namespace orvek {

inline constexpr char kApplicationTitle[] = "Orvek - Galaxy Generator ";
inline constexpr char kStartCaption[] = "Orvek - Galaxy Generator";
inline constexpr char kRareSettingsHint[] =
    "Connected galaxies are rare with these settings; more planets with two or three links, or "
    "wormholes, connect sooner.";
inline constexpr char kNotInGameFolder[] =
    "Please copy the content of the zip into your Tessarine, otherwise it won't work!";

}  // namespace orvek
