// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's message boxes: a path in quotes that would run off the box is shown with its
// middle elided, and the whole message is there, selectable, under "Show Details".

#include <QMessageBox>
#include <QString>

namespace orvek {

// The text with each quoted part longer than `longest` characters cut to its first and last
// characters around an ellipsis.
QString elide_long_paths(const QString& text, int longest = 80);

// Shows the message in a modal box with that icon and title; returns the button pressed.
QMessageBox::StandardButton show_message(QWidget* parent, QMessageBox::Icon icon,
                                         const QString& title, const QString& text);

}  // namespace orvek
