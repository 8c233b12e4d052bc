// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_transaction.h"
#include "ui/map_widget.h"
#include "ui/window_fixture.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace orvek {
namespace {

using testing::Window;

const QString kWaiting = "Waiting for another save in this game folder\u2026 (Escape gives up)";

// Another Save holds the game folder's lock: the window waits without freezing, asks its
// question before the lock, and Escape gives the wait up.
TEST(WindowSave, AnotherSaveRunningNeitherFreezesTheWindowNorHoldsItsQuestion)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    auto other = std::make_unique<CampaignTransaction>(w.game.folder());
    QSignalSpy ended(&w.form, &MainWindow::save_finished);
    QTest::mouseClick(w.find<QPushButton>("Save"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w.form.map()->progress(), kWaiting, 5000);
    EXPECT_TRUE(w.form.busy());
    EXPECT_FALSE(w.find<QPushButton>("Generate")->isEnabled()) << "nothing to change meanwhile";
    EXPECT_TRUE(ended.isEmpty());
    QTest::keyClick(&w.form, Qt::Key_Escape);
    ASSERT_TRUE(!ended.isEmpty() || ended.wait(5000));
    EXPECT_EQ(w.game.saved_files(), 0u) << "given up before writing";
    EXPECT_EQ(w.form.map()->progress(), "");

    // The same name again, now that it exists: the question comes while the lock is still held.
    other.reset();
    ASSERT_TRUE(w.save());
    other = std::make_unique<CampaignTransaction>(w.game.folder());
    ended.clear();
    QTest::mouseClick(w.find<QPushButton>("Save"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w.questions, 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(w.form.map()->progress(), kWaiting, 5000);
    other.reset();
    ASSERT_TRUE(!ended.isEmpty() || ended.wait(15000));
    EXPECT_TRUE(w.form.map()->progress().startsWith("Saved campaign"));
    EXPECT_FALSE(w.form.busy());
    // A Save that fails says why.
    w.game.dir.write("campaign/data/encounters/blocked", "a file where the folder goes");
    w.find<QLineEdit>("CampaignName")->setText("Blocked");
    w.messages.clear();
    ASSERT_TRUE(w.save());
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_TRUE(w.messages[0].second.contains("blocked")) << w.messages[0].second.toStdString();
}

}  // namespace
}  // namespace orvek
