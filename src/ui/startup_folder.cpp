#include "ui/startup_folder.h"

#include "gamedata/game_finder.h"

namespace orvek {

namespace {

// The folder the command line names: "--game-dir DIR", "--game-dir=DIR" or the first argument
// that is no option (as a desktop entry's %f or a file manager's "Open with" gives it).
std::string named_folder(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--game-dir" && i + 1 < arguments.size())
            return arguments[i + 1].toStdString();
        if (argument.startsWith("--game-dir="))
            return argument.mid(11).toStdString();
        if (!argument.startsWith('-'))
            return argument.toStdString();
    }
    return {};
}

}  // namespace

std::optional<std::string> startup_game_folder(const QStringList& arguments,
                                               const std::string& working,
                                               const std::string& remembered,
                                               const std::string& home)
{
    for (const std::string& folder : {named_folder(arguments), working, remembered})
        if (!folder.empty() && is_game_folder(folder))
            return folder;
    // Only a window started outside every known game folder looks through the Steam libraries.
    const std::vector<std::string> found = find_game_folders({}, steam_folders(home));
    if (found.empty())
        return std::nullopt;
    return found.front();
}

}  // namespace orvek
