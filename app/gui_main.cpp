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

#include <csignal>

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
