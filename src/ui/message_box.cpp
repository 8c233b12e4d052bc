// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message_box.h"

namespace orvek {

QString elide_long_paths(const QString& text, int longest)
{
    QString out;
    qsizetype from = 0;
    while (true) {
        const qsizetype open = text.indexOf('"', from);
        const qsizetype close = open < 0 ? -1 : text.indexOf('"', open + 1);
        if (close < 0)
            return out + text.mid(from);
        const QString quoted = text.mid(open + 1, close - open - 1);
        const int keep = longest / 2 - 1;
        out += text.mid(from, open + 1 - from) +
               (quoted.size() > longest ? quoted.left(keep) + QChar(0x2026) + quoted.right(keep)
                                        : quoted) +
               '"';
        from = close + 1;
    }
}

QMessageBox::StandardButton show_message(QWidget* parent, QMessageBox::Icon icon,
                                         const QString& title, const QString& text)
{
    QMessageBox box(icon, title, elide_long_paths(text), QMessageBox::Ok, parent);
    if (box.text() != text)
        box.setDetailedText(text);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace orvek
