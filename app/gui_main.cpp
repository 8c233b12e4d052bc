// orvek-galaxy-generator: the window. It opens the game folder named on the command line, or the
// working directory, or the one used last, or the first one of the Steam libraries; with none,
// it says what a game folder holds and ends.

#include "gamedata/game_folder.h"
#include "ui/main_window.h"
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
        orvek::startup_game_folder(
            QApplication::arguments(), working,
            settings.value("gameFolder").toString().toLocal8Bit().toStdString(),
            QDir::homePath().toLocal8Bit().toStdString())
            .value_or(working);
    orvek::GameWindows windows(settings, working, [](const QString& text) {
        orvek::show_message(nullptr, QMessageBox::NoIcon, orvek::kApplicationTitle, text);
    });
    if (!windows.open(chosen))
        return 1;
    return QApplication::exec();
}
