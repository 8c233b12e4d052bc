// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/startup_folder.h"

#include "campaign/recovery_copies.h"
#include "core/error.h"
#include "core/random.h"
#include "gamedata/file_system.h"
#include "gamedata/game_finder.h"
#include "gamedata/game_folder.h"
#include "ui/main_window.h"
#include "ui/map_widget.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimer>

namespace orvek {

namespace {

// Paths are in the system's 8-bit form, as the file calls take them.

// The folder the command line names: "--game-dir DIR", "--game-dir=DIR" or the first argument
// that is no option (as a desktop entry's %f or a file manager's "Open with" gives it).
std::string named_folder(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--game-dir" && i + 1 < arguments.size())
            return arguments[i + 1].toLocal8Bit().toStdString();
        if (argument.startsWith("--game-dir="))
            return argument.mid(11).toLocal8Bit().toStdString();
        if (!argument.startsWith('-'))
            return argument.toLocal8Bit().toStdString();
    }
    return {};
}

}  // namespace

StartupFolder startup_game_folder(const QStringList& arguments, const std::string& working,
                                  const std::string& remembered,
                                  const std::vector<std::string>& steam)
{
    for (const std::string& folder : {named_folder(arguments), working, remembered})
        if (!folder.empty() && is_game_folder(folder))
            return {folder, {}};
    // Only a window started outside every known game folder looks through the Steam libraries.
    std::vector<std::string> found = find_game_folders({}, steam);
    if (found.size() == 1)
        return {found.front(), {}};
    return {std::nullopt, std::move(found)};
}

namespace {

// Stores the settings now, as a plain file of their own (see keep_settings_file_plain).
void store(QSettings& settings)
{
    keep_settings_file_plain(settings);
    settings.sync();
}

// The folder used last first, then the others used before it, five at most.
QStringList remember(QSettings& settings, const QString& folder)
{
    QStringList recent = settings.value("recentGameFolders").toStringList();
    recent.removeAll(folder);
    recent.prepend(folder);
    while (recent.size() > 5)
        recent.removeLast();
    settings.setValue("gameFolder", folder);
    settings.setValue("recentGameFolders", recent);
    store(settings);
    return recent;
}

}  // namespace

GameWindows::GameWindows(QSettings& settings, std::string working,
                         std::function<void(const QString&)> refuse)
    : settings_(settings), working_(std::move(working)), refuse_(std::move(refuse))
{}

GameWindows::~GameWindows() = default;

bool GameWindows::open(const std::string& folder, const QString& note)
{
    std::unique_ptr<MainWindow> window = start_up(GameFolder(folder), clock_seed(), refuse_);
    if (!window)
        return false;
    window->set_recent_folders(remember(settings_, QString::fromLocal8Bit(folder)));
    // The panel as the player left it; on the first run as the window chose for the screen.
    if (const QVariant shown = settings_.value("planetPanel"); shown.isValid())
        window->show_panel(shown.toBool());
    QObject::connect(window.get(), &MainWindow::panel_shown_changed, window.get(),
                     [this](bool shown) {
                         settings_.setValue("planetPanel", shown);
                         store(settings_);
                     });
    window->set_up_recovery(recovery_folder());
    window->show();
    // A game folder other than the one the program was started in is named on the map.
    QStringList notice;
    if (folder != working_)
        notice << QString("Game folder: %1").arg(QString::fromLocal8Bit(folder));
    if (!note.isEmpty())
        notice << note;
    if (!notice.isEmpty())
        window->map()->show_notice(notice.join('\n'), 6000 * notice.size());
    QObject::connect(
        window.get(), &MainWindow::game_folder_chosen, window.get(), [this](const QString& chosen) {
            // The old window goes once its own signal has returned; the player
            // has answered for its edits already, so it goes without asking again.
            QTimer::singleShot(0, [this, chosen] { open(chosen.toLocal8Bit().toStdString()); });
        });
    // Work a crashed or killed window left is offered once the window shows.
    QTimer::singleShot(0, window.get(), [w = window.get()] { w->offer_recovered_work(); });
    current_ = std::move(window);
    return true;
}

QString keep_settings_file_plain(const QSettings& settings)
{
#ifdef _WIN32
    // Windows keeps the settings in the registry.
    (void)settings;
    return {};
#else
    const std::string path = QFile::encodeName(settings.fileName()).toStdString();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    try {
        if (entry_kind(path.substr(0, slash)) != EntryKind::Folder)
            return {};
        const Folder folder = Folder::open(path.substr(0, slash));
        const std::string name = path.substr(slash + 1);
        const EntryKind kind = folder.kind(name);
        if (kind != EntryKind::Link && kind != EntryKind::Special)
            return {};
        // A link would be read through, and written through by QSettings, which replaces the
        // file it leads to; a pipe would block the start. The entry itself goes.
        folder.delete_file(name);
        return QString("The settings file \"%1\" was %2, not a file; it was removed and the game "
                       "folders used before are forgotten.")
            .arg(QDir::toNativeSeparators(settings.fileName()),
                 kind == EntryKind::Link ? "a link" : "a pipe or a device");
    } catch (const Error& e) {
        return QString::fromLocal8Bit(e.what());
    }
#endif
}

bool carry_over_settings(QSettings& settings, const QString& old_application)
{
    if (!settings.allKeys().isEmpty())
        return false;
    QSettings old(settings.format(), settings.scope(), settings.organizationName(),
                  old_application);
#ifndef _WIN32
    try {
        if (entry_kind(QFile::encodeName(old.fileName()).toStdString()) != EntryKind::File)
            return false;
    } catch (const Error&) {
        return false;
    }
#endif
    const QStringList keys = old.allKeys();
    for (const QString& key : keys)
        settings.setValue(key, old.value(key));
    if (keys.isEmpty())
        return false;
    store(settings);
    return true;
}

QString settings_note(const QSettings& settings)
{
    // QSettings reads its file on the first question, and only then knows its status.
    settings.contains("gameFolder");
    if (settings.status() == QSettings::NoError)
        return {};
    return QString("The settings file \"%1\" could not be read and was ignored: the game folders "
                   "used before are forgotten.")
        .arg(QDir::toNativeSeparators(settings.fileName()));
}

}  // namespace orvek
