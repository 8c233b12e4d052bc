// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/unsaved_work.h"

#include "core/error.h"
#include "gamedata/game_folder.h"

#include <gtest/gtest.h>


namespace orvek {
namespace {

UnsavedWork sample_work()
{
    UnsavedWork work;
    work.game_folder = "/games/Orvek \xE9t\xE9";
    work.campaign_name = "Silver Reach \xC3\xA9";
    work.edits = 4;
    work.time = 4102444800;  // 2100, past a 32-bit count of seconds
    work.source.kind = WorkSource::Kind::Generated;
    work.source.generate = GenerateKind::Custom;
    // Each field unlike the others, so that no two can swap unseen.
    work.source.fields.planet_count = "175";
    work.source.fields.wormhole_count = "2";
    work.source.fields.join1_pct = "10";
    work.source.fields.join2_pct = "20";
    work.source.fields.join3_pct = "30";
    work.source.fields.size_class = 3;
    work.source.fields.gate_style = 0;
    work.source.seed = 4294967295u;
    work.galaxy.background_path = "/games/Orvek/pictures/nebula 3.jpg";
    for (int i = 0; i < 3; ++i) {
        Planet p;
        p.x = 20 + 300 * i;
        p.y = 979 - 100 * i;
        p.system_name = i == 1 ? "Ca\xF1on \x80\x81\xFF" : "Heze";
        p.template_file = "campaign_all_0" + std::to_string(i) + ".txt";
        p.links = {(i + 1) % 3, (i + 2) % 3};
        p.farthest = (i + 1) % 3;
        p.home = i == 2;
        p.features[3] = p.features_set[3] = i == 1;
        p.features[14] = true;
        p.source = i - 1;
        work.galaxy.planets.push_back(p);
    }
    return work;
}

// Every field comes back as it was, 8-bit names and every source kind included.
TEST(UnsavedWork, ReadsBackWhatWasWritten)
{
    UnsavedWork work = sample_work();
    EXPECT_EQ(read_unsaved_work(unsaved_work_text(work)), work);
    work.source = {};
    work.source.kind = WorkSource::Kind::Opened;
    work.source.campaign_id = "silverreach";
    work.source.fingerprint = "00ff00ff00ff00ff";
    EXPECT_EQ(read_unsaved_work(unsaved_work_text(work)), work);
    // A copy written before shapes and clear jumpgates existed holds neither: its galaxy is a
    // classic one.
    std::string old = unsaved_work_text(sample_work());
    for (const char* key : {"\"clear_gates\"", "\"shape\""}) {
        const std::size_t at = old.rfind('\n', old.find(key));
        old.erase(at, old.find('\n', at + 1) - at);
    }
    EXPECT_EQ(read_unsaved_work(old), sample_work());
    work.source = {};
    work.galaxy.planets.clear();
    EXPECT_EQ(read_unsaved_work(unsaved_work_text(work)), work);
    // Wherever the copy says its picture lies, it is the game folder's picture of that name.
    const GameFolder game("/games/Orvek");
    place_in(work, game);
    EXPECT_EQ(work.galaxy.background_path, game.backgrounds_folder() + "nebula 3.jpg");
}

// A copy from a damaged disk or from anywhere else fails with a sentence, whatever it holds.
TEST(UnsavedWork, RefusesWhatIsNoCopy)
{
    const std::string good = unsaved_work_text(sample_work());
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    // 177 planets; a planet with 177 links (its own two and 175 more), one past the most.
    std::string planets = "\"planets\": [", links = "\"links\": [";
    for (int i = 0; i < 177; ++i)
        planets += std::string(i ? "," : "") + "{}";
    for (int i = 0; i < 175; ++i)
        links += std::to_string(i % 2) + ",";
    const struct Row {
        const char* name;
        std::string text, sentence;
    } rows[] = {
        {"empty", "", "damaged: it is empty"},
        {"junk", "MZ\x90\x00\x03", "damaged: it is cut short or is no copy at all"},
        {"cut short", good.substr(0, good.size() / 2), "cut short"},
        {"a list", "[1, 2, 3]", "\"format\" is missing"},
        {"newer", with("\"format\": 1", "\"format\": 2"), "newer version of this program"},
        {"nested deep", std::string(100000, '[') + std::string(100000, ']'), "nested deeper"},
        {"huge", std::string(kUnsavedWorkLimit + 1, ' '), "more than"},
        {"too many planets", with("\"planets\": [", planets + ","), "at most 176"},
        {"off the map", with("\"x\": 20", "\"x\": 1000"), "\"x\" is no number from 0 to 999"},
        {"a float", with("\"x\": 20", "\"x\": 20.5"), "\"x\" is no number"},
        {"features short", with("\"features\": \"0000000000000010\"", "\"features\": \"01\""),
         "not 16 flags"},
        {"features long",
         with("\"features\": \"0000000000000010\"", "\"features\": \"00000000000000100\""),
         "not 16 flags"},
        {"too many links", with("\"links\": [", links), "no list of at most 176"},
        {"control character", with("\"name\": \"Heze\"", "\"name\": \"He\\u001b[2Jze\""),
         "control character"},
        {"DEL", with("\"name\": \"Heze\"", "\"name\": \"He\x7Fze\""), "control character"},
        {"beyond a byte", with("\"name\": \"Heze\"", "\"name\": \"H\\u0141ze\""),
         "no byte stands for"},
        {"unknown source", with("\"kind\": \"generated\"", "\"kind\": \"stolen\""),
         "its source is \"stolen\""},
        {"farthest beyond", with("\"farthest\": 1", "\"farthest\": 3"), "\"farthest\""},
        {"a template in another folder",
         with("\"template\": \"campaign_all_00.txt\"", "\"template\": \"../../x.txt\""),
         "no plain file name"},
        {"a picture that is a folder", with("nebula 3.jpg", ".."), "its picture is no file"},
    };
    for (const Row& row : rows) {
        try {
            read_unsaved_work(row.text);
            ADD_FAILURE() << row.name << ": read";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(row.sentence), std::string::npos)
                << row.name << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace orvek
