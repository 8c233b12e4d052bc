// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's two views of saved campaigns: the list to open one from (each with its planets,
// the date of its map file and how many problems its check finds), and the list of findings of
// the campaign shown, where choosing one rings its planet on the map.

#include "campaign/campaign_check.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;
class QTreeWidget;

namespace orvek {

class GameFolder;

// A saved campaign as the open list shows it.
struct CampaignEntry {
    std::string id, name;
    int planets = 0;
    std::int64_t saved = 0;  // the map file's time, seconds since 1970
    int problems = 0, notes = 0;
    std::string error;  // why it cannot be read at all, if so
};

// Every saved campaign of the game folder, newest first. Reads and checks each; never writes.
std::vector<CampaignEntry> saved_campaigns(const GameFolder& folder);

// The question a Save asks before it writes a campaign with `problems`: how many, the first eight
// each led by its planet's title (or its file's name where it is about no planet of `planets`),
// and how many more.
QString problems_question(const std::vector<Planet>& planets, const std::vector<Finding>& problems);

class OpenCampaignDialog : public QDialog {
    Q_OBJECT
public:
    OpenCampaignDialog(const std::vector<CampaignEntry>& campaigns, QWidget* parent);
    // The id of the campaign chosen, or empty.
    std::string chosen() const;
    // Whether the campaign chosen is to be exported as an archive rather than opened.
    bool exporting() const { return exporting_; }

private:
    QTreeWidget* list_ = nullptr;
    bool exporting_ = false;
    std::vector<CampaignEntry> campaigns_;
};

class FindingsDialog : public QDialog {
    Q_OBJECT
public:
    FindingsDialog(QWidget* parent);
    // Lists the findings of `campaign`, each about a planet led by the planet's name as
    // `planets` has it ("Heze (planet 3): …"), the others by their file and line; the whole
    // finding, file and line included, is in its tooltip and wraps rather than being cut off.
    void show_findings(const QString& campaign, const std::vector<Finding>& findings,
                       const std::vector<Planet>& planets);

signals:
    // A finding about a planet was chosen.
    void planet_chosen(int planet);
    // The fix of the chosen finding was asked for ("Cut this jumpgate", "Make the jumpgates mutual",
    // "Delete the planet").
    void fix_requested(const Finding& finding);
    // A planet whose file was not read is to be given a file from a template.
    void template_requested(const Finding& finding);

private:
    void choose(int row);
    const Finding* chosen_finding() const;

    QListWidget* list_ = nullptr;
    QPushButton* fix_ = nullptr;
    QPushButton* give_template_ = nullptr;
    QString campaign_;
    std::vector<Finding> findings_;
};

}  // namespace orvek
