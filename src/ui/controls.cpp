// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls.h"

#include "core/cp1252.h"
#include "gamedata/names.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <algorithm>

namespace orvek {

void load_stand_in_fonts()
{
    if (QFontDatabase::families().contains("Tahoma"))
        return;
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(file);
}

QWidget* section(QWidget* parent, const char* name, const QString& title)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, kTeal);
    panel->setPalette(palette);
    auto* header = new QLabel(title, panel);
    header->setObjectName(QString(name) + "_Header");
    header->setGeometry(0, 0, kColumnWidth, 20);
    header->setAlignment(Qt::AlignCenter);
    header->setStyleSheet("color: white; font-weight: bold;");
    return panel;
}

QCheckBox* section_check(QWidget* panel, const char* name)
{
    auto* box = new QCheckBox(panel);
    box->setObjectName(name);
    box->setGeometry(5, 5, 19, 15);
    return box;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int width)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, width, 21);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setStyleSheet("color: white;");
    return l;
}

QLineEdit* number_edit(QWidget* parent, const char* name, const char* text, int max_length, int x,
                       int y, int width)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaxLength(max_length);
    edit->setAlignment(Qt::AlignRight);
    edit->setGeometry(x, y, width, 21);
    edit->setStyleSheet("color: rgb(0,128,128); background: white;");
    return edit;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y,
                    const char* style)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(x, y, 85, 20);
    // The captions must fit 85 pixels, also where a wider font stands in for Tahoma.
    QFont font = parent->font();
    while (QFontMetrics(font).horizontalAdvance(text) > 81 && font.pixelSize() > 8)
        font.setPixelSize(font.pixelSize() - 1);
    b->setFont(font);
    // A button that takes no clicks must look so, whatever colours its face has.
    b->setStyleSheet(QString("QPushButton { padding: 0px; %1 } "
                             "QPushButton:disabled { color: rgb(150,150,150); }")
                         .arg(style ? style : ""));
    return b;
}

QString text_of(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// The choices of an open list: black on white, which thin letters keep readable (the teal of a
// closed list reads 4.8 : 1 in theory but under 4 : 1 as small letters are drawn).
void make_open_list_readable(QComboBox* combo)
{
    // The list's own delegate draws with the closed list's colours; a plain one takes the
    // view's.
    combo->setItemDelegate(new QStyledItemDelegate(combo));
    combo->view()->setStyleSheet("color: black; background: white; selection-color: white; "
                                 "selection-background-color: rgb(0,128,128);");
}

QComboBox* frequency_list(QWidget* parent, const char* name, int y)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (std::string_view level : kFrequencyLevelNames)
        combo->addItem(text_of(level));
    combo->setGeometry(100, y, 85, 21);
    // Some platform themes give lists a font of their own; these keep the window's.
    combo->setFont(parent->font());
    combo->setStyleSheet("QComboBox { color: rgb(0,128,128); background: white; }");
    make_open_list_readable(combo);
    return combo;
}

int selected_row(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

QListWidget* list_box(QWidget* parent, const char* name, const QString& header_text,
                      const QStringList& items, int x, int y)
{
    auto* header = new QLabel(header_text, parent);
    header->setObjectName(QString(name) + "_Header");
    header->setGeometry(x, y, 85, 17);
    header->setAlignment(Qt::AlignCenter);
    header->setStyleSheet("background: rgb(0,96,96); color: white;");
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->addItems(items);
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSizeHint(QSize(80, 16));
    list->setGeometry(x, y + 17, 85, 85 - 17);
    list->setStyleSheet("QListWidget { color: rgb(0,128,128); background: white; }");
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

QString message_text(const std::string& message)
{
    return QString::fromLocal8Bit(message);
}

FrequencyLevel level_of(const QComboBox* combo)
{
    return static_cast<FrequencyLevel>(std::max(0, combo->currentIndex()));
}

QValidator::State CampaignNameValidator::validate(QString& input, int&) const
{
    for (QChar c : input)
        if (c.unicode() < 32 || c.unicode() == 127)
            return Invalid;
    return campaign_id(utf8_to_cp1252(input.toStdString())).size() > id_limit_ ? Invalid
                                                                               : Acceptable;
}

}  // namespace orvek
