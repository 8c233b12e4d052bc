// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's About: what the program is, its version and the commit it was built from, the Qt
// it runs on, and its licence, with a link to the licence text shipped with it and Qt's own About.

#include <QUrl>

class QWidget;

namespace orvek {

// Where the licence text shipped with the program lies: LICENSE.txt beside the program (the
// Windows zip), else the system's copy (/usr/share/common-licenses/GPL-3 on Debian), else the
// licence's page on the web.
QUrl licence_text_url();

// Opens the About box (object name "aboutBox") over `parent` without waiting for it: it closes
// with its OK, and "About Qt" shows Qt's own.
void show_about(QWidget* parent);

}  // namespace orvek
