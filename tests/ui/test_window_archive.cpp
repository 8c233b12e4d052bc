// SPDX-License-Identifier: GPL-3.0-or-later
// Campaign archives from the window: the saved galaxy exported, dropped back on the window and
// imported under another name when its id is taken and opened, and an archive that is no
// campaign refused with nothing written.

#include "ui/window_fixture.h"

#include "archive/campaign_archive.h"
#include "campaign/campaign_reader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include <fstream>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::TempDir;
using testing::Window;

TEST(WindowArchive, ExportedThenImportedUnderAnotherName)
{
    Window w;
    TempDir out;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.find<QLineEdit>("CampaignName")->setText("Shared Reach");
    ASSERT_TRUE(w.save());
    // Cancelled in the file dialog, nothing is exported and nothing said.
    w.archive_answer.clear();
    w.choose_in_campaign_list("sharedreach", "ExportCampaign");
    EXPECT_TRUE(w.messages.empty());
    // Exported from the Open list.
    const QString zip = QString::fromStdString((out.path() / "shared.ZIP").string());
    w.archive_answer = zip;
    w.choose_in_campaign_list("sharedreach", "ExportCampaign");
    ASSERT_FALSE(w.messages.empty());
    EXPECT_NE(w.messages.back().second.indexOf("was exported"), -1)
        << w.messages.back().second.toStdString();
    // Dropped on the window: a file that is no zip asks nothing, Cancel writes nothing.
    const auto drop = [&](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        // Straight to the window's handler: without a drag under way the application does
        // not deliver a drop.
        static_cast<QObject&>(w.form).event(&event);
    };
    const auto saved = testing::snapshot(w.game.dir.path(), true);
    const std::size_t told = w.messages.size();
    drop(QString::fromStdString((out.path() / "shared.txt").string()));
    EXPECT_TRUE(w.choice_question.isEmpty()) << w.choice_question.toStdString();
    EXPECT_EQ(w.messages.size(), told);
    w.choice_answer = "Cancel";
    w.name_answer = "Shared Copy";
    drop(zip);
    EXPECT_NE(w.choice_question.indexOf("Import \"Shared Reach\""), -1);
    ASSERT_EQ(testing::snapshot(w.game.dir.path(), true), saved);
    w.choice_question.clear();
    w.choice_answer = "Import";
    drop(zip);
    EXPECT_NE(w.choice_question.indexOf("Import \"Shared Reach\""), -1)
        << w.choice_question.toStdString();
    ASSERT_NE(w.form.document().opened(), nullptr);
    EXPECT_EQ(w.form.document().opened()->id, "sharedcopy");
    EXPECT_EQ(w.form.document().opened()->name, "Shared Copy");
    EXPECT_EQ(w.form.document().opened()->name_key, "sharedcopy");
    const fs::path encounters = w.game.dir.path() / "campaign/data/encounters";
    for (const auto& file : fs::directory_iterator(encounters / "sharedreach"))
        EXPECT_EQ(testing::read_bytes(encounters / "sharedcopy" / file.path().filename()),
                  testing::read_bytes(file.path()))
            << file.path().filename();
    // An archive that is no campaign: a sentence, and the game folder as it was.
    const auto before = testing::snapshot(w.game.dir.path(), true);
    std::ofstream(out.path() / "junk.zip") << "no zip at all";
    const std::size_t shown = w.messages.size();
    w.form.import_from(QString::fromStdString((out.path() / "junk.zip").string()));
    ASSERT_EQ(w.messages.size(), shown + 1);
    EXPECT_NE(w.messages.back().second.indexOf("not a zip archive"), -1);
    EXPECT_EQ(testing::snapshot(w.game.dir.path(), true), before);
    // The Generate that made a galaxy is in its archive's manifest, and in no other campaign's
    // exported while that galaxy is shown.
    ASSERT_TRUE(w.click_and_wait("Generate"));
    const QString other = QString::fromStdString((out.path() / "other.zip").string());
    w.archive_answer = other;
    w.choose_in_campaign_list("sharedcopy", "ExportCampaign");
    const auto seed_of = [&](const QString& path) {
        return nlohmann::json::parse(read_archive_file(path.toStdString()).manifest)["seed"];
    };
    EXPECT_TRUE(seed_of(zip).is_number());
    EXPECT_TRUE(seed_of(other).is_null());
}

}  // namespace
}  // namespace orvek
