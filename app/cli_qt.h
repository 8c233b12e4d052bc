// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Qt part of orvek-galaxy: a platform and messages for a process without a screen, and the
// application object, Qt's GUI part only for a run that draws.

#include <QCoreApplication>

#include <memory>

namespace orvek {

// Whether the arguments ask for a picture (--png, --export with its preview): only then does the
// run need fonts, and so Qt's GUI part.
bool draws_pictures(int argc, char** argv);

// Sets the platform (offscreen, or on Windows minimal with the system's fonts) unless the
// environment names one, lets only Qt's critical messages through to standard error, and makes
// the application: a QGuiApplication when draws_pictures, else a QCoreApplication. `argc` is
// kept by reference, as Qt asks. Never fails short of Qt's own start failing.
std::unique_ptr<QCoreApplication> start_qt(int& argc, char** argv);

}  // namespace orvek
