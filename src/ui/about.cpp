// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about.h"

#include "core/version.h"
#include "ui/window_texts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace orvek {

QUrl licence_text_url()
{
    for (const QString& path : {QApplication::applicationDirPath() + "/LICENSE.txt",
                                QString("/usr/share/common-licenses/GPL-3")})
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(path);
    return QUrl("https://www.gnu.org/licenses/gpl-3.0.html");
}

void show_about(QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName("aboutBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle("About " + QString::fromUtf8(kApplicationTitle).trimmed());
    box->setTextFormat(Qt::RichText);
    box->setTextInteractionFlags(Qt::TextBrowserInteraction);
    const QUrl licence = licence_text_url();
    box->setText(
        QString("<p><b>Orvek Galaxy Generator %1</b><br>commit %2<br>Qt %3</p>"
                "<p>Makes fresh campaigns for Tessarine (Orvek): a random galaxy of planets "
                "joined by jumpgates, saved as a campaign the game loads.</p>"
                "<p>%4<br>%5</p><p>The licence's text: <a href=\"%6\">%7</a></p>")
            .arg(QString::fromStdString(program_version()),
                 QString::fromStdString(program_commit()), QString(qVersion()),
                 QString(kLicenceLine).toHtmlEscaped(), QString(kFreeSoftwareNotice).toHtmlEscaped(),
                 licence.toString(QUrl::FullyEncoded),
                 (licence.isLocalFile() ? QDir::toNativeSeparators(licence.toLocalFile())
                                        : licence.toString())
                     .toHtmlEscaped()));
    box->setStandardButtons(QMessageBox::Ok);
    QPushButton* about_qt = box->addButton("About Qt", QMessageBox::ActionRole);
    // A button of the box closes it: Qt's own About opens once it has.
    QObject::connect(about_qt, &QPushButton::clicked, parent,
                     [parent] { QMessageBox::aboutQt(parent); });
    box->open();
}

}  // namespace orvek
