// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/campaign_dialogs.h"

#include "core/error.h"
#include "campaign/campaign_reader.h"
#include "core/cp1252.h"
#include "core/galaxy_edit.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace orvek {

namespace {

// "1 problem", "2 problems".
QString counted(int count, const char* thing)
{
    return QString("%1 %2%3").arg(count).arg(thing).arg(count == 1 ? "" : "s");
}

}  // namespace

std::vector<CampaignEntry> saved_campaigns(const GameFolder& folder)
{
    std::vector<CampaignEntry> entries;
    for (const std::string& id : campaign_ids(folder)) {
        CampaignEntry e;
        e.id = id;
        e.saved = modification_time(folder.maps_folder() + id + ".txt");
        try {
            const LoadedCampaign campaign = load_campaign(folder, id);
            const std::vector<Finding> findings = check_campaign(folder, campaign);
            e.name = campaign.name;
            e.planets = static_cast<int>(campaign.planets.size());
            e.problems = problem_count(findings);
            e.notes = static_cast<int>(findings.size()) - e.problems;
        } catch (const Error& error) {
            e.error = error.what();
        }
        entries.push_back(std::move(e));
    }
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const CampaignEntry& a, const CampaignEntry& b) { return a.saved > b.saved; });
    return entries;
}

OpenCampaignDialog::OpenCampaignDialog(const std::vector<CampaignEntry>& campaigns, QWidget* parent)
    : QDialog(parent), campaigns_(campaigns)
{
    setObjectName("OpenCampaign");
    setWindowTitle("Open campaign");
    resize(560, 360);
    list_ = new QTreeWidget(this);
    list_->setObjectName("CampaignList");
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({"Campaign", "Id", "Planets", "Saved", "Check"});
    for (const CampaignEntry& e : campaigns_) {
        const QString notes = e.notes ? ", " + counted(e.notes, "note") : QString();
        const QString check = !e.error.empty()  ? QString("cannot be read")
                              : e.problems == 0 ? "fine" + notes
                                                : counted(e.problems, "problem");
        auto* item = new QTreeWidgetItem(
            {QString::fromStdString(cp1252_to_utf8(e.name)), QString::fromStdString(e.id),
             QString::number(e.planets),
             QDateTime::fromSecsSinceEpoch(e.saved).toString("yyyy-MM-dd hh:mm"), check});
        item->setToolTip(4, QString::fromLocal8Bit(e.error));
        list_->addTopLevelItem(item);
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (!campaigns_.empty())
        list_->setCurrentItem(list_->topLevelItem(0));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    QPushButton* export_button = buttons->addButton("Export…", QDialogButtonBox::ActionRole);
    export_button->setObjectName("ExportCampaign");
    export_button->setEnabled(!campaigns_.empty());
    connect(export_button, &QPushButton::clicked, this, [this] {
        exporting_ = true;
        accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemActivated, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    if (campaigns_.empty()) {
        // An empty list says what would fill it rather than leave the player guessing.
        auto* none = new QLabel("No campaign is saved in this game folder yet. Generate a "
                                "galaxy, give it a name and press Save: it is listed here.",
                                this);
        none->setObjectName("NoCampaigns");
        none->setWordWrap(true);
        layout->addWidget(none);
        buttons->button(QDialogButtonBox::Open)->setEnabled(false);
    }
    layout->addWidget(buttons);
}

std::string OpenCampaignDialog::chosen() const
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    return row < 0 ? std::string() : campaigns_[static_cast<std::size_t>(row)].id;
}

FindingsDialog::FindingsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("Findings");
    resize(600, 180);
    list_ = new QListWidget(this);
    list_->setObjectName("FindingsList");
    list_->setWordWrap(true);
    fix_ = new QPushButton(this);
    fix_->setObjectName("FixButton");
    fix_->hide();
    give_template_ = new QPushButton("Give it a file from a template\u2026", this);
    give_template_->setObjectName("GiveTemplateButton");
    give_template_->hide();
    connect(list_, &QListWidget::currentRowChanged, this, &FindingsDialog::choose);
    connect(fix_, &QPushButton::clicked, this, [this] {
        if (const Finding* f = chosen_finding())
            emit fix_requested(*f);
    });
    connect(give_template_, &QPushButton::clicked, this, [this] {
        if (const Finding* f = chosen_finding())
            emit template_requested(*f);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(give_template_);
    buttons->addWidget(fix_);
    layout->addLayout(buttons);
}

const Finding* FindingsDialog::chosen_finding() const
{
    const int row = list_->currentRow();
    return row >= 0 && static_cast<std::size_t>(row) < findings_.size()
               ? &findings_[static_cast<std::size_t>(row)]
               : nullptr;
}

// The finding's planet is ringed, and its fix, where it has one clear fix, offered.
void FindingsDialog::choose(int row)
{
    // The row of "Nothing found" stands for no finding.
    const Finding* f =
        row >= 0 && static_cast<std::size_t>(row) < findings_.size() ? &findings_[row] : nullptr;
    if (f && f->planet >= 0)
        emit planet_chosen(f->planet);
    const Finding::Fix fix = f ? f->fix : Finding::Fix::None;
    fix_->setText(fix == Finding::Fix::CutLink      ? "Cut this jumpgate"
                  : fix == Finding::Fix::MendUnread ? "Delete the planet"
                                                    : "Make the jumpgates mutual");
    fix_->setVisible(fix != Finding::Fix::None);
    give_template_->setVisible(fix == Finding::Fix::MendUnread);
}

void FindingsDialog::show_findings(const QString& campaign, const std::vector<Finding>& findings,
                                   const std::vector<Planet>& planets)
{
    findings_ = findings;
    const int problems = problem_count(findings);
    setWindowTitle(QString("Check of %1: %2, %3")
                       .arg(campaign, counted(problems, "problem"),
                            counted(static_cast<int>(findings.size()) - problems, "note")));
    list_->clear();
    for (const Finding& f : findings) {
        const QString file = QString::fromStdString(cp1252_to_utf8(f.file)) +
                             (f.line > 0 ? QString(":%1").arg(f.line) : QString());
        const bool about_planet =
            f.planet >= 0 && static_cast<std::size_t>(f.planet) < planets.size();
        const QString where =
            about_planet ? QString::fromStdString(planet_title(planets, f.planet)) : file;
        const QString text = where + ": " + (f.problem ? "" : "note: ") +
                             QString::fromStdString(cp1252_to_utf8(f.sentence));
        auto* item = new QListWidgetItem(text, list_);
        item->setToolTip(about_planet ? file + ": " + text : text);
        item->setForeground(f.problem ? QColor(160, 0, 0) : QColor(90, 90, 90));
    }
    if (findings.empty())
        new QListWidgetItem("Nothing found: the campaign is as a Save writes it.", list_);
}

QString problems_question(const std::vector<Planet>& planets, const std::vector<Finding>& problems)
{
    constexpr std::size_t kListed = 8;
    QString list;
    for (std::size_t k = 0; k < problems.size() && k < kListed; ++k) {
        const Finding& f = problems[k];
        const std::string where =
            f.planet >= 0 && static_cast<std::size_t>(f.planet) < planets.size()
                ? planet_title(planets, f.planet)
                : cp1252_to_utf8(f.file);
        list += QString::fromStdString("\n\u2022 " + where + ": " + cp1252_to_utf8(f.sentence));
    }
    if (problems.size() > kListed)
        list += QString("\n\u2022 and %1 more").arg(problems.size() - kListed);
    return QString("The campaign would be saved with %1 %2 that the game may stumble on:%3")
        .arg(problems.size())
        .arg(problems.size() == 1 ? "problem" : "problems")
        .arg(list);
}

}  // namespace orvek
