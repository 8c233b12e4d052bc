// SPDX-License-Identifier: GPL-3.0-or-later
// The candidates of Generate 12 (Ctrl+G), driven on the real window: twelve galaxies shown as
// they come, and the one clicked taken as its seed's Generate makes it.

#include "ui/candidates.h"
#include "ui/editor_fixture.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <map>

#include <gtest/gtest.h>

namespace orvek {
namespace {

using namespace testing;

// Whether candidate `i`'s cell is shown (the filter hides those it leaves out).
bool cell_shown(const CandidatesDialog& d, int i)
{
    return d.findChild<QToolButton*>(QString("Candidate%1").arg(i))
        ->parentWidget()
        ->isVisibleTo(&d);
}

// Generate 12 shows twelve galaxies as they come; the one clicked is the galaxy its seed's
// Generate makes, and Escape keeps the galaxy shown.
TEST(GalaxyEditor, TwelveCandidatesAndOneTaken)
{
    Editor e;
    const Planets before = e.planets();
    const std::uint32_t seed = e.form.random().state();
    const auto run = [&](std::function<void(CandidatesDialog&)> act) {
        with_candidates(e.form, std::move(act));
    };
    // Sorted by a figure, most first; filtered to those with at most as many dead ends as the
    // fewest; Escape keeps what was there.
    run([](CandidatesDialog& d) {
        d.findChild<QComboBox*>("CandidateSort")->setCurrentIndex(1);  // diameter
        auto* grid = qobject_cast<QGridLayout*>(
            d.findChild<QWidget*>("Candidate0")->parentWidget()->parentWidget()->layout());
        const auto first = [&] {
            const QString name =
                grid->itemAtPosition(0, 0)->widget()->findChild<QToolButton*>()->objectName();
            return name.mid(QString("Candidate").size()).toInt();
        };
        int longest = 0, fewest = 1000;
        for (int i = 0; i < 12; ++i) {
            longest = std::max(longest, d.candidate(i).figures.diameter);
            fewest = std::min(fewest, d.candidate(i).figures.dead_ends);
        }
        ASSERT_GE(first(), 0);
        EXPECT_EQ(d.candidate(first()).figures.diameter, longest);
        // The row reads left to right: the sort, then the filter's figure, comparison and value.
        const char* row[] = {"CandidateSort", "CandidateFilterFigure", "CandidateFilterComparison",
                             "CandidateFilterValue"};
        for (std::size_t i = 1; i < std::size(row); ++i)
            EXPECT_LT(d.findChild<QWidget*>(row[i - 1])->geometry().right(),
                      d.findChild<QWidget*>(row[i])->geometry().left())
                << row[i];
        d.findChild<QComboBox*>("CandidateFilterFigure")->setCurrentIndex(2);  // dead ends
        d.findChild<QComboBox*>("CandidateFilterComparison")->setCurrentIndex(1);  // at most
        d.findChild<QSpinBox*>("CandidateFilterValue")->setValue(fewest);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(cell_shown(d, i), d.candidate(i).figures.dead_ends == fewest) << i;
        d.findChild<QComboBox*>("CandidateFilterComparison")->setCurrentIndex(2);  // exactly
        d.findChild<QSpinBox*>("CandidateFilterValue")->setValue(fewest + 1);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(cell_shown(d, i), d.candidate(i).figures.dead_ends == fewest + 1) << i;
        d.findChild<QComboBox*>("CandidateFilterComparison")->setCurrentIndex(1);
        // The candidate with the focus is drawn large beside the others, its names readable.
        auto* preview = d.findChild<QLabel*>("CandidatePreview");
        d.findChild<QToolButton*>(QString("Candidate%1").arg(first()))->setFocus();
        EXPECT_TRUE(preview->isVisible());
        EXPECT_GE(preview->pixmap().width(), 2 * CandidatesDialog::kSide - 100);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(e.planets(), before) << "Escape keeps what was there";
    run([](CandidatesDialog& d) { d.findChild<QToolButton*>("Candidate3")->click(); });
    EXPECT_EQ(e.form.document().command()->seed, seed + 3);
    Window single(seed + 3);
    ASSERT_TRUE(single.click_and_wait("Generate"));
    EXPECT_EQ(e.planets(), single.form.document().planets()) << "the galaxy its seed makes";
    EXPECT_EQ(e.find<QLineEdit>("CampaignName")->text(),
              single.find<QLineEdit>("CampaignName")->text());
    EXPECT_EQ(e.form.random().state(), single.form.random().state());
    // "12 more" makes the next twelve seeds in the same window; Enter takes the focused one.
    const std::uint32_t third = e.form.random().state();
    run([](CandidatesDialog& d) {
        const QRect screen = d.screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(d.frameGeometry())) << "the dialog fits its screen";
        d.findChild<QPushButton*>("MoreCandidates")->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return d.ready() == 12; }, 60000));
        d.findChild<QToolButton*>("Candidate2")->setFocus();
        QTest::keyClick(&d, Qt::Key_Return);
    });
    EXPECT_EQ(e.form.document().command()->seed, third + 12 + 2);
}

// Candidates that could not be made (the templates gone since the window opened) stay in the
// grid, where they say why, whatever the filter asks and however it sorts.
TEST(GalaxyEditor, CandidatesNotMadeStayShown)
{
    Editor e;
    std::filesystem::remove_all(e.game.dir.path() / "campaign/data/encounters/all");
    with_candidates(e.form, [](CandidatesDialog& d) {
        ASSERT_FALSE(d.candidate(0).error.empty());
        d.findChild<QComboBox*>("CandidateSort")->setCurrentIndex(1);
        d.findChild<QComboBox*>("CandidateFilterFigure")->setCurrentIndex(2);  // dead ends
        d.findChild<QSpinBox*>("CandidateFilterValue")->setValue(1);           // at least 1
        for (int i = 0; i < 12; ++i)
            EXPECT_TRUE(cell_shown(d, i)) << i;
    });
}

// The candidates take as many columns as the screen's width allows: a netbook's 1024 pixels
// hold four, a narrow window one.
TEST(GalaxyEditor, CandidatesFitTheScreen)
{
    struct Row {
        int width, columns;
    } rows[] = {{1366, 4}, {1024, 4}, {800, 3}, {560, 2}, {320, 1}};
    for (const Row& row : rows)
        EXPECT_EQ(CandidatesDialog::columns_for(row.width), row.columns) << row.width;
}

// Each word of "Sort by" and "Show only" reads the figure it names.
TEST(GalaxyEditor, CandidateFigureWordsReadTheirFigures)
{
    GalaxyFigures f;
    f.diameter = 1, f.dead_ends = 2, f.chokepoints = 3, f.bridges = 4, f.links = 5;
    f.hops_from_home_max = 6, f.through_planets = 7, f.crossings = 8;
    const std::map<std::string, double> named = {{"diameter", 1},    {"dead ends", 2},
                                                 {"chokepoints", 3}, {"bridges", 4},
                                                 {"jumpgates", 5},   {"farthest from home", 6},
                                                 {"crossings", 8},   {"gates through planets", 7}};
    const auto& words = CandidatesDialog::figure_words();
    ASSERT_EQ(words.size(), named.size());
    for (int i = 0; i < std::ssize(words); ++i)
        EXPECT_EQ(CandidatesDialog::figure_value(f, i),
                  named.at(words[static_cast<std::size_t>(i)]))
            << words[static_cast<std::size_t>(i)];
}

// Twelve candidates side by side, as Ctrl+G shows them.
TEST(Screenshot, TwelveCandidates)
{
    Editor e;
    with_candidates(e.form, [](CandidatesDialog& dialog) {
        // Sorted by diameter, the first one pointed at: drawn large beside the others.
        dialog.findChild<QComboBox*>("CandidateSort")->setCurrentIndex(1);
        dialog.findChild<QToolButton*>("Candidate0")->setFocus();
        QTest::qWait(100);
        EXPECT_TRUE(dialog.grab().save(picture_path("twelve-candidates.png")));
    });
}

}  // namespace
}  // namespace orvek
