// The map's context menu: the seed of the galaxy shown and the orvek-galaxy command line that
// makes the same galaxy, copied to the clipboard.

#include "core/generate_command.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/map_widget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

namespace orvek {

QString MainWindow::seed_text() const
{
    const auto& command = document_->command();
    return command ? QString::number(command->seed) : QString();
}

QString MainWindow::command_line() const
{
    const auto& command = document_->command();
    if (!command)
        return QString();
    const GalaxySettings& f = command->fields;
    const QString numbers =
        QString::fromStdString(f.planet_count + "," + f.wormhole_count + "," + f.join1_pct + "," +
                               f.join2_pct + "," + f.join3_pct);
    QString line = QString("orvek-galaxy --game-dir \"%1\" --seed %2")
                       .arg(QString::fromLocal8Bit(folder_.game_dir()))
                       .arg(command->seed);
    if (command->kind == GenerateKind::Custom)
        return line + " --custom " + numbers;
    return line + " --size " + option_word(kSizeNames, f.size_class) + " --gates " +
           option_word(kGateNames, f.gate_style) + " --fields " + numbers;
}

void MainWindow::show_map_menu(const QPoint& at)
{
    QMenu menu(this);
    QAction* seed = menu.addAction("Copy seed");
    QAction* line = menu.addAction("Copy command line");
    seed->setEnabled(document_->command().has_value());
    line->setEnabled(document_->command().has_value());
    connect(seed, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(seed_text()); });
    connect(line, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(command_line()); });
    menu.addSeparator();
    QAction* open = menu.addAction("Open campaign…\tCtrl+O");
    QAction* check = menu.addAction("Check campaign…\tCtrl+K");
    open->setEnabled(!busy());
    check->setEnabled(document_->opened() || !document_->saved_id().empty());
    connect(open, &QAction::triggered, this, &MainWindow::on_open_campaign);
    connect(check, &QAction::triggered, this, &MainWindow::on_check_campaign);
    menu.exec(map_->mapToGlobal(at));
}

}  // namespace orvek
