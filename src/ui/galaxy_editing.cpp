// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of editing: each request of the map becomes an edit of the document, on its
// undo stack (Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y); the map follows the document's signals; the planet
// and link menus; and the question before a window with unsaved edits closes.

#include "core/cp1252.h"
#include "core/galaxy_edit.h"
#include "gamedata/game_services.h"
#include "ui/main_window.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QUndoStack>

#include <algorithm>

namespace orvek {

namespace {

QString name_of(const std::vector<Planet>& planets, int p)
{
    return QString::fromUtf8(cp1252_to_utf8(planets[static_cast<std::size_t>(p)].system_name));
}

}  // namespace

void MainWindow::set_up_editing()
{
    QUndoStack* stack = document_->undo_stack();
    undo_action_ = stack->createUndoAction(this, "Undo");
    redo_action_ = stack->createRedoAction(this, "Redo");
    undo_action_->setShortcut(QKeySequence("Ctrl+Z"));
    redo_action_->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
    for (QAction* action : {undo_action_, redo_action_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(document_, &GalaxyDocument::unsaved_changed, map_, &MapWidget::set_unsaved);
    connect(document_, &GalaxyDocument::planets_changed, this,
            [this] { map_->set_planets(document_->planets()); });
    connect(document_, &GalaxyDocument::replaced, this, &MainWindow::show_document);
    connect(document_, &GalaxyDocument::background_changed, this, &MainWindow::show_background);
    connect(document_, &GalaxyDocument::findings_changed, this, &MainWindow::show_problem_line);
    connect(stack, &QUndoStack::indexChanged, this, [this] { refresh_findings(); });
    connect(map_, &MapWidget::move_requested, this, [this](int p, int x, int y) {
        edit([=](const auto& g) { return move_planet(g, p, x, y); });
    });
    connect(map_, &MapWidget::group_move_requested, this,
            [this](const std::vector<int>& group, int dx, int dy) {
                edit([=](const auto& g) { return move_planets(g, group, dx, dy); });
            });
    connect(map_, &MapWidget::nudge_requested, this, &MainWindow::nudge);
    connect(map_, &MapWidget::delete_requested, this, &MainWindow::delete_selection);
    connect(map_, &MapWidget::join_requested, this,
            [this](int p, int q) { edit([=](const auto& g) { return join_planets(g, p, q); }); });
    connect(map_, &MapWidget::rename_requested, this, [this](int p, const QString& name) {
        edit([=](const auto& g) { return rename_planet(g, p, name.toStdString()); });
    });
    connect(map_, &MapWidget::add_requested, this, [this](int x, int y) {
        edit([=, this](const auto& g) { return add_planet(g, x, y, new_planet_sources(folder_)); });
    });
    connect(map_, &MapWidget::planet_menu_requested, this, &MainWindow::show_planet_menu);
    connect(map_, &MapWidget::link_menu_requested, this, &MainWindow::show_link_menu);
    connect(map_, &MapWidget::map_menu_requested, this, &MainWindow::show_map_menu);
}

// Delete on a selection. The home planet cannot go, so a selection that holds it with others
// asks whether to delete the others; the home planet alone is refused with the edit's reason.
void MainWindow::delete_selection(std::vector<int> group)
{
    const auto& planets = document_->planets();
    const int home_number = home_planet(planets);
    const auto home = std::find(group.begin(), group.end(), home_number);
    if (home != group.end() && planets[static_cast<std::size_t>(home_number)].home &&
        group.size() > 1) {
        const QString others = group.size() == 2
                                   ? QString("the other selected planet")
                                   : QString("the other %1 selected planets").arg(group.size() - 1);
        const QString question = QString("The home planet %1 cannot be deleted. Delete %2?")
                                     .arg(name_of(planets, *home), others);
        if (!ask(question))
            return;
        group.erase(home);
    }
    edit([=](const auto& g) { return delete_planets(g, group); });
}

// The picture the document names, as New Background loaded it or, after an undo or redo, read
// again; one that cannot be read any more leaves the start-up picture.
void MainWindow::show_background()
{
    QImage picture = std::move(background_shown_);
    background_shown_ = QImage();
    if (picture.isNull()) {
        try {
            picture = load_background(document_->galaxy().background_path);
        } catch (const Error&) {
            picture = startup_picture();
        }
    }
    map_->set_background(picture);
}

// While a Generate or a Save runs, the galaxy stays as it is: no undo, no redo.
void MainWindow::set_undo_enabled(bool enabled)
{
    undo_action_->setEnabled(enabled && document_->undo_stack()->canUndo());
    redo_action_->setEnabled(enabled && document_->undo_stack()->canRedo());
}

void MainWindow::edit(const std::function<EditPointer(const std::vector<Planet>&)>& make)
{
    if (busy())
        return;
    try {
        document_->edit(make);
    } catch (const Error& e) {
        // A refused edit, or an added planet's templates that cannot be listed.
        show_information(QString::fromUtf8(e.what()));
    }
}

// A nudge that the galaxy cannot take says why on the map for a moment: a key held down would
// otherwise stack up message boxes.
void MainWindow::nudge(const std::vector<int>& group, int dx, int dy)
{
    if (busy())
        return;
    try {
        document_->edit([&](const auto& g) { return move_planets(g, group, dx, dy); });
    } catch (const Error& e) {
        const std::string reason = e.what();
        map_->show_notice(QString::fromUtf8(reason.substr(0, reason.find(':'))), 1500);
    }
}

void MainWindow::show_planet_menu(int planet, const QPoint& at)
{
    const std::vector<Planet>& g = document_->planets();
    QMenu menu(this);
    connect(menu.addAction("Rename planet\tF2"), &QAction::triggered, this,
            [this, planet] { map_->start_rename(planet); });
    QAction* home = menu.addAction("Make home planet");
    home->setEnabled(!g[static_cast<std::size_t>(planet)].home);
    connect(home, &QAction::triggered, this,
            [this, planet] { edit([=](const auto& g) { return make_home(g, planet); }); });
    connect(menu.addAction("Delete planet"), &QAction::triggered, this,
            [this, planet] { edit([=](const auto& g) { return delete_planet(g, planet); }); });
    menu.addSeparator();
    const Planet& p = g[static_cast<std::size_t>(planet)];
    for (const int other : p.links) {
        if (other < 0 || static_cast<std::size_t>(other) >= g.size())
            continue;
        connect(menu.addAction("Cut jumpgate to " + name_of(g, other)), &QAction::triggered, this,
                [this, planet, other] {
                    edit([=](const auto& g) { return cut_link(g, planet, other); });
                });
    }
    menu.exec(map_->mapToGlobal(at));
}

void MainWindow::show_link_menu(int planet, int other, const QPoint& at)
{
    QMenu menu(this);
    const QString text =
        QString("Cut jumpgate %1 \u2013 %2")
            .arg(name_of(document_->planets(), planet), name_of(document_->planets(), other));
    connect(menu.addAction(text), &QAction::triggered, this, [this, planet, other] {
        edit([=](const auto& g) { return cut_link(g, planet, other); });
    });
    menu.exec(map_->mapToGlobal(at));
}

MainWindow::CloseAnswer MainWindow::ask_before_closing()
{
    const QString question = "The galaxy has edits that no Save has written. Save them first?";
    if (hooks_.close)
        return hooks_.close(question);
    QMessageBox box(QMessageBox::Warning, kApplicationTitle, question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save: return CloseAnswer::Save;
    case QMessageBox::Discard: return CloseAnswer::Discard;
    default: return CloseAnswer::Cancel;
    }
}

bool MainWindow::may_close()
{
    return may_replace_galaxy();
}

bool MainWindow::may_replace_galaxy()
{
    if (!document_->has_unsaved_edits())
        return true;
    const CloseAnswer answer = ask_before_closing();
    // Discarded edits are gone: going back to this galaxy shows it as it was last saved.
    if (answer == CloseAnswer::Discard)
        document_->discard_unsaved_edits();
    if (answer == CloseAnswer::Save) {
        // The Save runs on its own thread; closing (or Generate, or Open) waits for its end.
        bool ended = false;
        QEventLoop loop;
        connect(this, &MainWindow::save_finished, &loop, [&] {
            ended = true;
            loop.quit();
        });
        on_save_clicked();
        if (!ended)
            loop.exec();
    }
    return answer == CloseAnswer::Discard ||
           (answer == CloseAnswer::Save && !document_->has_unsaved_edits());
}

}  // namespace orvek
