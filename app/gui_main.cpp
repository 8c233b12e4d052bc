// orvek-galaxy-generator: the window, started with the game folder as working directory.
// Command-line arguments are ignored.

#include "core/random.h"
#include "gamedata/game_folder.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(orvek::kApplicationTitle);
    const std::uint32_t seed = orvek::clock_seed();
    orvek::GameFolder folder = orvek::GameFolder::current();
    if (!folder.has_game_executable()) {
        QMessageBox box(QMessageBox::NoIcon, orvek::kApplicationTitle, orvek::kNotInGameFolder,
                        QMessageBox::Ok);
        box.exec();
        return 1;
    }
    orvek::TForm1 window(folder, seed);
    window.show();
    return QApplication::exec();
}
