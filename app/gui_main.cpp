// orvek-galaxy-generator: the window, started with the game folder as working directory.
// Command-line arguments are ignored.

#include "core/random.h"
#include "gamedata/game_folder.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail with an error, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(orvek::kApplicationTitle);
    const std::uint32_t seed = orvek::clock_seed();
    auto window = orvek::start_up(orvek::GameFolder::current(), seed, [](const QString& text) {
        orvek::show_message(nullptr, QMessageBox::NoIcon, orvek::kApplicationTitle, text);
    });
    if (!window)
        return 1;
    window->show();
    return QApplication::exec();
}
