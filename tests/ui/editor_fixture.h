// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the map editing tests share: the window with a generated galaxy, the pointer's gestures
// on its map (a drag, a right-click's menu entry) at a planet's pixel, and Generate 12's dialog.

#include "core/galaxy_edit.h"
#include "ui/candidates.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"
#include "ui/window_fixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScopeGuard>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace orvek::testing {

using Planets = std::vector<Planet>;

// A pixel of a map of `pixels` where planet `p` could stand (moving it there is allowed).
inline QPoint free_pixel(const Planets& planets, int p, int pixels = kMapPixels)
{
    for (int y = 40; y < pixels - 40; y += 9)
        for (int x = 40; x < pixels - 40; x += 9) {
            const QPoint unit = map_position(QPoint(x, y), pixels);
            if (position_refusal(planets, p, unit.x(), unit.y()).empty())
                return QPoint(x, y);
        }
    return QPoint(-1, -1);
}

inline QPoint centre(const Planets& planets, int p)
{
    return link_end(planets[static_cast<std::size_t>(p)]);
}

inline void drag(QWidget* map, QPoint from, QPoint to, Qt::KeyboardModifiers keys = {})
{
    QTest::mousePress(map, Qt::LeftButton, keys, from);
    QTest::mouseMove(map, (from + to) / 2);
    QTest::mouseMove(map, to);
    QTest::mouseRelease(map, Qt::LeftButton, keys, to);
}

// Right-clicks the map at `at` and hands the menu that opens to `act` (nothing when none opens),
// which chooses an entry or closes it.
inline void with_menu(QWidget* map, QPoint at, std::function<void(QMenu*)> act)
{
    QTimer::singleShot(50, map, [act = std::move(act)] {
        act(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, map->mapToGlobal(at));
    QApplication::sendEvent(map, &event);
}

// Right-clicks the map at `at` and chooses the menu entry that begins with `text`.
inline void choose(QWidget* map, QPoint at, const QString& text)
{
    with_menu(map, at, [text](QMenu* menu) {
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text().startsWith(text)) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        menu->close();
        ADD_FAILURE() << "no menu entry " << text.toStdString();
    });
}

// Right-clicks the map at `at` and reads its menu: each entry's text up to a tab, "+" before an
// enabled one and "-" before one that is not, then closes the menu.
inline QStringList menu_entries(QWidget* map, QPoint at)
{
    QStringList entries;
    with_menu(map, at, [&entries](QMenu* menu) {
        if (!menu)
            return;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                entries << (action->isEnabled() ? "+" : "-") + action->text().section('\t', 0, 0);
        menu->close();
    });
    return entries;
}

// Opens Generate 12 and hands its dialog to `act` once the twelve candidates are ready. A
// dialog still open after `act`, or one that never fills, is closed: a failure must end the
// test, not leave it waiting in the dialog for ever.
inline void with_candidates(MainWindow& form, std::function<void(CandidatesDialog&)> act)
{
    QTimer::singleShot(0, [&form, act = std::move(act)] {
        auto* dialog = form.findChild<CandidatesDialog*>();
        ASSERT_NE(dialog, nullptr);
        const auto close = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->ready() == 12; }, 60000));
        act(*dialog);
    });
    form.on_generate_candidates();
}

struct Editor : Window {
    MapWidget* map = nullptr;
    Editor() : Window(7)
    {
        EXPECT_TRUE(click_and_wait("Generate"));
        map = find<MapWidget>("GalaxyMap");
    }
    const Planets& planets() const { return form.document().galaxy().planets; }
    void keys(const char* sequence) { QTest::keySequence(&form, QKeySequence(sequence)); }
};

}  // namespace orvek::testing
