// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window's test files share: the window over a fresh copy of the demo game folder, its
// message boxes and questions answered by the test, and the tool's command line.

#include "support/game_copy.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace orvek::testing {

// Where the window tests write their screenshots: the build folder, whatever folder the tests
// are started from.
inline QString picture_path(const char* name)
{
    return QString::fromUtf8(ORVEK_PICTURES) + "/" + name;
}

struct WindowGame : DemoGame {
    GameFolder folder() const { return GameFolder(dir.str()); }
};

// The command-line tool with these arguments, as the platform's shell takes it.
inline std::string cli_command(const std::string& args)
{
#ifdef _WIN32
    // Under Wine the host's files lie on drive Z:, and cmd.exe knows only double quotes.
    return "\"Z:" + std::string(ORVEK_CLI) + "\"" + args;
#else
    return "'" + std::string(ORVEK_CLI) + "'" + args;
#endif
}

struct Window {
    WindowGame game;
    TempDir state;  // the user's state folder, where the recovery copies go
    MainWindow form;
    std::vector<std::pair<QString, QString>> messages;
    bool answer = true;
    int questions = 0;
    QString last_question;
    MainWindow::CloseAnswer close_answer = MainWindow::CloseAnswer::Cancel;
    int close_questions = 0;
    QString problems_answer = "Cancel";  // the button chosen when a Save would write problems
    std::vector<QString> problem_questions;
    QString folder_answer;        // the game folder the chooser chooses, empty for Cancel
    QStringList folders_offered;  // what the chooser listed
    QString template_answer;      // the template chosen for a planet whose file was not read
    QStringList templates_offered;           // the templates the last choice offered
    QString choice_answer = "Decide later";  // the button chosen in a question of several
    QString choice_question;
    QString name_answer;     // the name given when an import's campaign id is taken
    QString archive_answer;  // the archive file chosen to export to or import from
    explicit Window(std::uint32_t seed = 42) : form(game.folder(), seed)
    {
        form.set_hooks({[this](const QString& t, const QString& m) { messages.emplace_back(t, m); },
                        [this](const QString& question) {
                            ++questions;
                            last_question = question;
                            return answer;
                        },
                        [this](const QString&) {
                            ++close_questions;
                            return close_answer;
                        },
                        [this](const QString& question) {
                            problem_questions.push_back(question);
                            return problems_answer;
                        },
                        [this](const QStringList& found) {
                            folders_offered = found;
                            return folder_answer;
                        },
                        [this](const QStringList& unused) {
                            templates_offered = unused;
                            return unused.contains(template_answer) ? template_answer : QString();
                        },
                        [this](const QString& question, const QStringList&) {
                            choice_question = question;
                            return choice_answer;
                        },
                        [this](const QString&, const QString&) { return name_answer; },
                        [this](const QString&) { return archive_answer; }});
        form.set_up_recovery(state.str());
        // The window as it opens on a screen where 979 x 750 fits, whatever the test
        // platform's screen is; the planet panel's own tests show it.
        form.show_panel(false);
        form.resize(979, 750);
        form.show();
    }
    template <class T>
    T* find(const char* name)
    {
        return form.findChild<T*>(name);
    }
    // Presses a Save button and waits for that Save to end, which it does on a thread of its own.
    bool save(const char* button = "Save")
    {
        QSignalSpy spy(&form, &MainWindow::save_finished);
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
        return !spy.isEmpty() || spy.wait(60000);
    }
    bool click_and_wait(const char* button)
    {
        QSignalSpy spy(&form, &MainWindow::generation_finished);
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
        return !spy.isEmpty() || spy.wait(60000);
    }
    // Custom settings that seldom give a connected galaxy: their Generate runs a long while.
    void set_rare_settings()
    {
        find<QCheckBox>("AdvancedBox")->setChecked(true);
        for (auto [field, text] : {std::pair{"PlanetCount", "175"},
                                   {"Join1Percent", "99"},
                                   {"Join2Percent", "1"},
                                   {"Join3Percent", "1"},
                                   {"WormholeCount", "0"}})
            find<QLineEdit>(field)->setText(text);
    }
    // Ctrl+O, then the campaign `id` chosen in the list and the dialog's button `button` (Open,
    // or another by its object name) pressed, as a player does. The list is read off the
    // user-interface thread, so it opens a moment after the keys; the look for it ends with
    // this call, whether it opened or not.
    void choose_in_campaign_list(const QString& id, const QString& button = {})
    {
        const auto chosen = std::make_shared<bool>(false);
        const auto choose = std::make_shared<std::function<void()>>();
        *choose = [id, button, chosen, again = std::weak_ptr(choose)] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) {
                if (const auto look = again.lock())
                    QTimer::singleShot(20, *look);
                return;
            }
            *chosen = true;
            auto* list = dialog->findChild<QTreeWidget*>("CampaignList");
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (list->topLevelItem(i)->text(1) == id)
                    list->setCurrentItem(list->topLevelItem(i));
            QPushButton* pressed =
                button.isEmpty()
                    ? dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)
                    : dialog->findChild<QPushButton*>(button);
            QTest::mouseClick(pressed, Qt::LeftButton);
            // A dialog the button did not close would hold the keys' call for ever.
            QTimer::singleShot(10000, dialog, [dialog] {
                ADD_FAILURE() << "the campaign list stayed open";
                dialog->close();
            });
        };
        QTimer::singleShot(0, *choose);
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form, 1000));
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return *chosen && !QApplication::activeModalWidget(); }, 20000));
    }
};

}  // namespace orvek::testing
