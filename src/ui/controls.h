// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's building blocks in the look players know: gradient strips, collapsible sections,
// labels, number fields, buttons, frequency lists and list boxes with a header bar.

#include "campaign/features.h"

#include <QColor>
#include <QComboBox>
#include <QListWidget>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QValidator>
#include <QWidget>

#include <array>
#include <string>
#include <string_view>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvek {

inline const QColor kTeal(0, 128, 128);
inline const QColor kGreen(0, 128, 0);
inline constexpr int kColumnWidth = 190;
// The settings column with its two gradient strips, and the smallest map the window shrinks to.
inline constexpr int kColumnSpan = 229;
inline constexpr int kMinimumMap = 240;

// The campaign name field's rule: no control character (a line break would add lines of its own
// to the map file) and no more letters and digits than this game folder's campaign ids can hold.
class CampaignNameValidator : public QValidator {
public:
    CampaignNameValidator(std::size_t id_limit, QObject* parent)
        : QValidator(parent), id_limit_(id_limit)
    {}
    State validate(QString& input, int& position) const override;

private:
    std::size_t id_limit_;
};

// A strip filled with a gradient of a fixed number of colour steps.
class GradientStrip : public QWidget {
public:
    GradientStrip(QColor from, QColor to, int steps, Qt::Orientation direction, QWidget* parent)
        : QWidget(parent), from_(from), to_(to), steps_(steps), direction_(direction)
    {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int length = direction_ == Qt::Horizontal ? width() : height();
        for (int i = 0; i < steps_; ++i) {
            const int start = length * i / steps_, end = length * (i + 1) / steps_;
            const double t = steps_ > 1 ? static_cast<double>(i) / (steps_ - 1) : 0;
            QColor c = QColor::fromRgbF(
                static_cast<float>(from_.redF() + (to_.redF() - from_.redF()) * t),
                static_cast<float>(from_.greenF() + (to_.greenF() - from_.greenF()) * t),
                static_cast<float>(from_.blueF() + (to_.blueF() - from_.blueF()) * t));
            if (direction_ == Qt::Horizontal)
                painter.fillRect(start, 0, end - start, height(), c);
            else
                painter.fillRect(0, start, width(), end - start, c);
        }
    }

private:
    QColor from_, to_;
    int steps_;
    Qt::Orientation direction_;
};

// A black area hatched in teal, as the window fills its empty spaces.
class CrossHatch : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.fillRect(rect(), QBrush(kTeal, Qt::DiagCrossPattern));
    }
};

// Tahoma is the window's font. Where the system lacks it (Linux), Wine's Tahoma, drawn to the
// same measures and packaged by Debian as fonts-wine, stands in, so that every caption fits as
// it does on Windows.
void load_stand_in_fonts();

QWidget* section(QWidget* parent, const char* name, const QString& title);

// The text-less check box in a collapsible section's header that opens and closes it.
QCheckBox* section_check(QWidget* panel, const char* name);

QLabel* label(QWidget* parent, const QString& text, int x, int y, int width);

QLineEdit* number_edit(QWidget* parent, const char* name, const char* text, int max_length, int x,
                       int y, int width);

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y,
                    const char* style = nullptr);

QString text_of(std::string_view name);

// Gives the choices of the list, once it opens, black letters whatever the closed list's colours.
void make_open_list_readable(QComboBox* combo);

QComboBox* frequency_list(QWidget* parent, const char* name, int y);

template <std::size_t n>
QStringList items_of(const std::array<std::string_view, n>& names)
{
    QStringList items;
    for (std::string_view name : names)
        items << text_of(name);
    return items;
}

// The row selected in a list box, or -1: a list whose selection was taken away with Ctrl+click
// applies no preset, whatever row still has the focus.
int selected_row(const QListWidget* list);

// A list choice as the command-line tool takes it: the item in small letters, or "none".
template <std::size_t n>
QString option_word(const std::array<std::string_view, n>& names, int row)
{
    return row < 0 ? QString("none")
                   : text_of(names[static_cast<std::size_t>(row)]).trimmed().toLower();
}

QListWidget* list_box(QWidget* parent, const char* name, const QString& header_text,
                      const QStringList& items, int x, int y);

// Error messages carry file paths, which are in the system's own 8-bit encoding (UTF-8 on
// Linux, the ANSI code page on Windows), so they are read as such.
QString message_text(const std::string& message);

FrequencyLevel level_of(const QComboBox* combo);

}  // namespace orvek
