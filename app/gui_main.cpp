// SPDX-License-Identifier: GPL-3.0-or-later
// orvek-galaxy-generator: the window. It opens the game folder named on the command line, or the
// working directory, or the one used last, or the one of the Steam libraries; else it offers the
// game folders found (or, with none, says what a game folder holds) and lets the player browse.

#include "gamedata/game_finder.h"
#include "gamedata/game_folder.h"
#include "ui/game_folder_dialog.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/startup_folder.h"

#include <QApplication>
#include <QDir>
#include <QSettings>

#include <csignal>

namespace {

// The folder to open: found at once, or chosen by the player; empty when the player cancels.
std::string folder_to_open(const QSettings& settings, const std::string& working)
{
    const orvek::StartupFolder start = orvek::startup_game_folder(
        QApplication::arguments(), working,
        settings.value("gameFolder").toString().toLocal8Bit().toStdString(),
        orvek::steam_folders(QDir::homePath().toLocal8Bit().toStdString()));
    if (start.folder)
        return *start.folder;
    QStringList choices;
    for (const std::string& folder : start.choices)
        choices << QString::fromLocal8Bit(folder);
    return orvek::choose_game_folder(choices, nullptr).toLocal8Bit().toStdString();
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail with an error, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    // The window's title ends in a blank, which a file name should not: "….conf", not " .conf".
    QApplication::setApplicationName(QString(orvek::kApplicationTitle).trimmed());
    QApplication::setOrganizationName("Orvek Galaxy Generator");
    QSettings settings;
    // Checked before QSettings first reads its file, which it does through a link.
    const QString replaced = orvek::keep_settings_file_plain(settings);
    orvek::carry_over_settings(settings, orvek::kApplicationTitle);
    const QString note = replaced.isEmpty() ? orvek::settings_note(settings) : replaced;
    const std::string working = orvek::GameFolder::current().game_dir();
    const std::string chosen = folder_to_open(settings, working);
    if (chosen.empty())
        return 0;
    orvek::GameWindows windows(settings, working, [](const QString& text) {
        orvek::show_message(nullptr, QMessageBox::NoIcon, orvek::kApplicationTitle, text);
    });
    if (!windows.open(chosen, note))
        return 1;
    return QApplication::exec();
}
