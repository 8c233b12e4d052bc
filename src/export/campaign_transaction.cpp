#include "export/campaign_transaction.h"

#include "core/error.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/text_file.h"

#include <algorithm>
#include <optional>

namespace orvek {

namespace {

constexpr char kJournalHeader[] = "orvek-save 1";

// What the journal records: enough to finish the Save from the files alone.
struct Journal {
    std::string folder_name;  // the campaign's encounter folder, inside the encounters folder
    bool created_folder = false;
    std::string map_name;  // the map file, inside the maps folder
    std::vector<std::string> new_files;
};

// File names may hold any byte but the separator; the journal is one name per line.
std::string escape(const std::string& name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c == '%') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The name back from its escaped form, or nothing when an escape is broken.
std::optional<std::string> unescape(const std::string& text)
{
    const auto hex_digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : (c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1);
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
        const int low = high >= 0 ? hex_digit(text[i + 2]) : -1;
        if (low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string journal_text(const Journal& journal)
{
    std::string text = std::string(kJournalHeader) + "\n";
    text += "folder " + escape(journal.folder_name) + "\n";
    text += std::string("created ") + (journal.created_folder ? "1" : "0") + "\n";
    text += "map " + escape(journal.map_name) + "\n";
    for (const std::string& name : journal.new_files)
        text += "new " + escape(name) + "\n";
    return text + "end\n";
}

// The journal, or nothing when it is incomplete or damaged: a journal without its last line was
// never committed (it is written whole and renamed into place, so this is only a second guard).
std::optional<Journal> parse_journal(const std::string& text)
{
    const std::vector<std::string> lines = split_lines(text);
    if (lines.size() < 4 || lines.front() != kJournalHeader || lines.back() != "end")
        return std::nullopt;
    Journal journal;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::optional<std::string> unescaped =
            unescape(space == std::string::npos ? std::string() : line.substr(space + 1));
        if (!unescaped)
            return std::nullopt;
        const std::string& value = *unescaped;
        if (key == "folder")
            journal.folder_name = value;
        else if (key == "created")
            journal.created_folder = value == "1";
        else if (key == "map")
            journal.map_name = value;
        else if (key == "new")
            journal.new_files.push_back(value);
    }
    if (journal.folder_name.empty() || journal.map_name.empty())
        return std::nullopt;
    return journal;
}

bool exists(const std::string& path)
{
    return entry_kind(path) != EntryKind::Missing;
}

// A failed call that only removes what is no longer needed is tried once more before it counts:
// on Windows a virus scanner or the search indexer may hold a file just written for a moment.
template <typename Call>
void with_one_retry(Call call)
{
    try {
        call();
    } catch (const Error&) {
        call();
    }
}

// Deletes the work folder and everything in it (it holds files and two plain sub-folders).
void delete_tree(const std::string& folder)
{
    if (!exists(folder))
        return;
    for (const FolderEntry& entry : list_entries(folder)) {
        const std::string path = folder + kPathSeparator + entry.name;
        if (entry.is_folder)
            delete_tree(path);
        else
            with_one_retry([&] { delete_file(path); });
    }
    with_one_retry([&] { delete_folder(folder); });
}

}  // namespace

// Every place the transaction touches, derived from the game folder and the journal.
struct TransactionPaths {
    std::string data, work, journal, next_journal, new_files, old_files, new_map, old_map;
    std::string encounters, maps, campaign, map;
    Journal journal_record;

    explicit TransactionPaths(const GameFolder& folder)
        : data(folder.data_folder()), work(data + ".orvek-save"),
          journal(work + kPathSeparator + "journal"),
          next_journal(work + kPathSeparator + "journal.new"),
          new_files(work + kPathSeparator + "new"), old_files(work + kPathSeparator + "old"),
          new_map(work + kPathSeparator + "map.txt"),
          old_map(work + kPathSeparator + "old-map.txt"), encounters(folder.encounters_folder()),
          maps(folder.maps_folder())
    {}

    void use(const Journal& j)
    {
        journal_record = j;
        campaign = encounters + j.folder_name;
        map = maps + j.map_name;
    }
    std::string staged(const std::string& name) const { return new_files + kPathSeparator + name; }
    std::string backup(const std::string& name) const { return old_files + kPathSeparator + name; }
    std::string placed(const std::string& name) const { return campaign + kPathSeparator + name; }
};

namespace {

bool is_new(const Journal& journal, const std::string& name)
{
    return std::find(journal.new_files.begin(), journal.new_files.end(), name) !=
           journal.new_files.end();
}

void sync_campaign(const TransactionPaths& p)
{
    sync_folder(p.campaign);
    sync_folder(p.encounters);
    sync_folder(p.maps);
    sync_folder(p.old_files);
    sync_folder(p.new_files);
    sync_folder(p.work);
}

// Moves the old files aside and the new ones into place. Every step checks what is already done,
// so running it again after an interruption continues where the last run stopped.
void roll_forward(const TransactionPaths& p)
{
    const Journal& j = p.journal_record;
    if (!exists(p.campaign))
        create_folder(p.campaign);
    for (const FolderEntry& entry : list_entries(p.campaign)) {
        if (entry.is_folder || (is_new(j, entry.name) && !exists(p.staged(entry.name))))
            continue;
        rename_file(p.placed(entry.name), p.backup(entry.name));
    }
    for (const std::string& name : j.new_files)
        if (exists(p.staged(name)))
            rename_file(p.staged(name), p.placed(name));
    if (exists(p.new_map)) {
        if (exists(p.map))
            rename_file(p.map, p.old_map);
        rename_file(p.new_map, p.map);
    }
    sync_campaign(p);
}

// The exact reverse of roll_forward, from wherever it stopped: the new files go back into the
// work folder (so the journal could still complete the Save) and the old ones to their places.
void roll_back(const TransactionPaths& p)
{
    const Journal& j = p.journal_record;
    if (exists(p.old_map)) {
        if (exists(p.map) && !exists(p.new_map))
            rename_file(p.map, p.new_map);
        rename_file(p.old_map, p.map);
    } else if (!exists(p.new_map) && exists(p.map)) {
        rename_file(p.map, p.new_map);
    }
    if (exists(p.campaign)) {
        for (const std::string& name : j.new_files)
            if (!exists(p.staged(name)) && exists(p.placed(name)))
                rename_file(p.placed(name), p.staged(name));
        for (const FolderEntry& entry : list_entries(p.old_files))
            rename_file(p.backup(entry.name), p.placed(entry.name));
        if (j.created_folder)
            delete_folder(p.campaign);
    }
    sync_folder(p.encounters);
    sync_folder(p.maps);
    if (exists(p.campaign))
        sync_folder(p.campaign);
}

// After roll_forward or roll_back has made the campaign whole, the journal goes first: from then
// on the work folder is only debris, which the next start deletes if this run cannot.
void finish(const TransactionPaths& p)
{
    with_one_retry([&] { delete_file(p.journal); });
    with_one_retry([&] { sync_folder(p.work); });
    with_one_retry([&] { delete_tree(p.work); });
    with_one_retry([&] { sync_folder(p.data); });
}

void recover(TransactionPaths& p)
{
    if (!exists(p.work))
        return;
    if (exists(p.journal)) {
        if (std::optional<Journal> journal = parse_journal(read_file(p.journal))) {
            p.use(*journal);
            roll_forward(p);
            finish(p);
            return;
        }
    }
    delete_tree(p.work);
    sync_folder(p.data);
}

}  // namespace

CampaignTransaction::CampaignTransaction(const GameFolder& folder)
    : lock_(std::make_unique<FileLock>(folder.file("Orvek.exe"), std::chrono::seconds(10),
                                       kSaveBusy)),
      paths_(std::make_unique<TransactionPaths>(folder))
{
    recover(*paths_);
}

CampaignTransaction::~CampaignTransaction()
{
    if (!begun_ || committed_)
        return;
    try {
        delete_tree(paths_->work);
    } catch (const Error&) {
        // The campaign is untouched; the next start deletes what is left of the work folder.
    }
}

void CampaignTransaction::begin(const std::string& campaign_folder, const std::string& map_path)
{
    TransactionPaths& p = *paths_;
    Journal j;
    j.folder_name = file_name_of(campaign_folder);
    j.map_name = file_name_of(map_path);
    j.created_folder = !exists(campaign_folder);
    p.use(j);
    begun_ = true;
    create_folder(p.work);
    create_folder(p.new_files);
    create_folder(p.old_files);
}

std::string CampaignTransaction::stage_encounter(const std::string& file_name)
{
    staged_.push_back(file_name);
    return paths_->staged(file_name);
}

std::string CampaignTransaction::stage_map() const
{
    return paths_->new_map;
}

void CampaignTransaction::commit()
{
    TransactionPaths& p = *paths_;
    p.journal_record.new_files = staged_;
    // The new files were flushed one by one; their folder entries are flushed here, so that the
    // journal never names a file that a power loss could take away.
    sync_folder(p.new_files);
    sync_folder(p.work);
    sync_folder(p.data);
    write_durable_file(p.next_journal, journal_text(p.journal_record));
    rename_file(p.next_journal, p.journal);
    sync_folder(p.work);
    committed_ = true;  // from here the journal decides: the destructor must not touch it
    try {
        roll_forward(p);
    } catch (const Error& failure) {
        try {
            roll_back(p);
            finish(p);
        } catch (const Error& second) {
            throw Error(std::string(failure.what()) +
                        ". Putting the old campaign back failed too (" + second.what() +
                        "); the save is completed at the next start.");
        }
        throw;
    }
    try {
        finish(p);
    } catch (const Error& failure) {
        // The new campaign is complete and flushed; only the work folder is left over.
        throw Error(
            std::string("The campaign was saved, but its work folder could not be removed (") +
            failure.what() + "); it is removed at the next start.");
    }
}

void Recover_Interrupted_Save(const GameFolder& folder)
{
    std::unique_ptr<FileLock> lock = FileLock::try_acquire(folder.file("Orvek.exe"));
    if (!lock)
        return;
    TransactionPaths p(folder);
    recover(p);
}

}  // namespace orvek
