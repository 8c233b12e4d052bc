// orvek-galaxy-generator: the window. It opens the game folder named on the command line, or the
// working directory, or the one used last, or the first one of the Steam libraries; with none,
// it says what a game folder holds and ends.

#include "core/random.h"
#include "gamedata/game_folder.h"
#include "ui/main_window.h"
#include "ui/map_widget.h"
#include "ui/message_box.h"
#include "ui/startup_folder.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTimer>

#include <memory>

#include <csignal>

namespace {

using orvek::MainWindow;

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
    return recent;
}

// The window of `folder`, named on the map when it is not the working directory; a folder chosen
// from the window's menu opens its own window in place of the old one.
std::unique_ptr<MainWindow> open_window(const std::string& folder, const std::string& working,
                                        QSettings& settings, std::unique_ptr<MainWindow>& current)
{
    auto window =
        orvek::start_up(orvek::GameFolder(folder), orvek::clock_seed(), [](const QString& text) {
            orvek::show_message(nullptr, QMessageBox::NoIcon, orvek::kApplicationTitle, text);
        });
    if (!window)
        return nullptr;
    window->set_recent_folders(remember(settings, QString::fromStdString(folder)));
    window->show();
    if (folder != working)
        window->map()->show_notice(QString("Game folder: %1").arg(QString::fromStdString(folder)),
                                   6000);
    QObject::connect(window.get(), &MainWindow::game_folder_chosen, window.get(),
                     [&, working](const QString& chosen) {
                         // The old window goes once its own signal has returned.
                         QTimer::singleShot(0, [&, working, chosen] {
                             auto next =
                                 open_window(chosen.toStdString(), working, settings, current);
                             // The player has answered for the old window's edits already:
                             // it goes without asking again.
                             if (next)
                                 current = std::move(next);
                         });
                     });
    return window;
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail with an error, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(orvek::kApplicationTitle);
    QApplication::setOrganizationName("Orvek Galaxy Generator");
    QSettings settings;
    const std::string working = orvek::GameFolder::current().game_dir();
    // With no game folder anywhere, the working directory: the start-up check then says what a
    // game folder holds.
    const std::string chosen =
        orvek::startup_game_folder(QApplication::arguments(), working,
                                   settings.value("gameFolder").toString().toStdString(),
                                   QDir::homePath().toStdString())
            .value_or(working);
    const std::uint32_t seed = orvek::clock_seed();
    auto window = orvek::start_up(orvek::GameFolder(chosen), seed, [](const QString& text) {
        orvek::show_message(nullptr, QMessageBox::NoIcon, orvek::kApplicationTitle, text);
    });
    if (!window)
        return 1;
    settings.setValue("gameFolder", QString::fromStdString(chosen));
    window->show();
    // A game folder found elsewhere than where the window was started is named on the map.
    if (chosen != working)
        window->map()->show_notice(QString("Game folder: %1").arg(QString::fromStdString(chosen)),
                                   6000);
    return QApplication::exec();
}
