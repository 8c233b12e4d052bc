// SPDX-License-Identifier: GPL-3.0-or-later
// The candidates of Generate 12 (Ctrl+G), driven on the real window: twelve galaxies shown as
// they come, and the one clicked taken as its seed's Generate makes it.

#include "ui/candidates.h"
#include "ui/editor_fixture.h"

#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include <gtest/gtest.h>

namespace orvek {
namespace {

using namespace testing;

// Generate 12 shows twelve galaxies as they come; the one clicked is the galaxy its seed's
// Generate makes, and Escape keeps the galaxy shown.
TEST(GalaxyEditor, TwelveCandidatesAndOneTaken)
{
    Editor e;
    const Planets before = e.planets();
    const std::uint32_t seed = e.form.random().state();
    const auto run = [&](std::function<void(CandidatesDialog&)> act) {
        QTimer::singleShot(0, [&] {
            auto* dialog = e.form.findChild<CandidatesDialog*>();
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->ready() == 12; }, 20000));
            act(*dialog);
        });
        e.form.on_generate_candidates();
    };
    run([](CandidatesDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(e.planets(), before) << "Escape keeps what was there";
    run([](CandidatesDialog& d) { d.findChild<QToolButton*>("Candidate3")->click(); });
    EXPECT_EQ(e.form.document().command()->seed, seed + 3);
    Window single(seed + 3);
    ASSERT_TRUE(single.click_and_wait("LMDButton1"));
    EXPECT_EQ(e.planets(), single.form.document().planets()) << "the galaxy its seed makes";
    EXPECT_EQ(e.find<QLineEdit>("Edit_CName")->text(),
              single.find<QLineEdit>("Edit_CName")->text());
    EXPECT_EQ(e.form.random().state(), single.form.random().state());
}

// Twelve candidates side by side, as Ctrl+G shows them.
TEST(Screenshot, TwelveCandidates)
{
    Editor e;
    QTimer::singleShot(0, [&] {
        auto* dialog = e.form.findChild<CandidatesDialog*>();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->ready() == 12; }, 20000));
        QTest::qWait(100);
        EXPECT_TRUE(dialog->grab().save(picture_path("twelve-candidates.png")));
        dialog->reject();
    });
    e.form.on_generate_candidates();
}

}  // namespace
}  // namespace orvek
