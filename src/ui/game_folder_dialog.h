// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game folder chooser: the game folders found (recent ones first) with their saved campaigns,
// and "Browse…" for any other; a folder that is no game folder is refused saying what it lacks.

#include <QDialog>
#include <QStringList>

#include <functional>

class QListWidget;

namespace orvek {

class GameFolderDialog : public QDialog {
    Q_OBJECT
public:
    // `browse` asks for a folder (a folder dialog; tests give their own) and returns it, or
    // empty; `refuse` shows a refusal.
    GameFolderDialog(const QStringList& found, std::function<QString()> browse,
                     std::function<void(const QString&)> refuse, QWidget* parent);

    // The folder chosen, once the dialog was accepted.
    const QString& chosen() const { return chosen_; }

private:
    void browse();

    QListWidget* list_ = nullptr;
    QStringList found_;
    QString chosen_;
    std::function<QString()> browse_;
    std::function<void(const QString&)> refuse_;
};

// Shows the chooser over `parent` (null: on its own, at start-up), browsing with a folder dialog
// and refusing with a message box; returns the folder chosen, or empty when the player cancels.
QString choose_game_folder(const QStringList& found, QWidget* parent);

}  // namespace orvek
