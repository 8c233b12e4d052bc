// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/game_folder_dialog.h"

#include "core/error.h"
#include "gamedata/game_finder.h"
#include "gamedata/game_folder.h"
#include "ui/message_box.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvek {

namespace {

QString described(const QString& folder)
{
    std::size_t campaigns = 0;
    try {
        campaigns = GameFolder(folder.toLocal8Bit().toStdString()).map_entries().size();
    } catch (const Error&) {
        // A maps folder that cannot be listed shows no count.
    }
    return QString("%1   (%2 saved %3)")
        .arg(folder)
        .arg(campaigns)
        .arg(campaigns == 1 ? "campaign" : "campaigns");
}

}  // namespace

GameFolderDialog::GameFolderDialog(const QStringList& found, std::function<QString()> browse,
                                   std::function<void(const QString&)> refuse, QWidget* parent)
    : QDialog(parent), found_(found), browse_(std::move(browse)), refuse_(std::move(refuse))
{
    setObjectName("GameFolderDialog");
    setWindowTitle("Game folder");
    resize(560, 260);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        found.isEmpty()
            ? "No game folder was found. A game folder holds \"Orvek.exe\" and the folder "
              "campaign/data/encounters/all: choose the one Tessarine is installed in."
            : "The game folders found. Choose one, or another with Browse…",
        this));
    list_ = new QListWidget(this);
    list_->setObjectName("GameFolderList");
    for (const QString& folder : found)
        list_->addItem(described(folder));
    if (!found.isEmpty())
        list_->setCurrentRow(0);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    QPushButton* other = buttons->addButton("Browse\u2026", QDialogButtonBox::ActionRole);
    other->setObjectName("BrowseButton");
    buttons->button(QDialogButtonBox::Open)->setEnabled(!found.isEmpty());
    connect(other, &QPushButton::clicked, this, &GameFolderDialog::browse);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto open = [this] {
        if (const int row = list_->currentRow(); row >= 0) {
            chosen_ = found_[row];
            accept();
        }
    };
    connect(buttons, &QDialogButtonBox::accepted, this, open);
    connect(list_, &QListWidget::itemActivated, this, open);
    layout->addWidget(buttons);
}

void GameFolderDialog::browse()
{
    const QString folder = browse_();
    if (folder.isEmpty())
        return;
    if (const std::string lack = game_folder_lack(folder.toLocal8Bit().toStdString());
        !lack.empty())
        return refuse_(
            QString("\"%1\" is not a game folder: %2.").arg(folder, QString::fromStdString(lack)));
    chosen_ = folder;
    accept();
}

QString choose_game_folder(const QStringList& found, QWidget* parent)
{
    GameFolderDialog dialog(
        found, [parent] { return QFileDialog::getExistingDirectory(parent, "Game folder"); },
        [parent](const QString& text) {
            show_message(parent, QMessageBox::Information, "Information", text);
        },
        parent);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QString();
}

}  // namespace orvek
