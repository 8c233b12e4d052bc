// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the recovery copy of a window's unsaved work: a moment after the document changes it
// takes the work as it stands and writes it off the user-interface thread, so that a crash, a
// kill or a power cut loses at most about a second of edits.

#include "campaign/recovery_copies.h"

#include <QObject>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QTimer;

namespace orvek {

class GalaxyDocument;

class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // The copies of the document's work go into `folder` (recovery_folder(); empty keeps none);
    // `campaign_name` gives the name field's text (UTF-8) when a copy is taken.
    RecoveryKeeper(const GalaxyDocument& document, std::string folder,
                   std::function<std::string()> campaign_name, QObject* parent = nullptr);
    // Waits for the copy being written, and writes the one waiting, so that nothing taken is
    // lost when the window closes.
    ~RecoveryKeeper() override;

    // The work changed: a copy is taken about a second later (a second after the first change
    // of a burst, so that steady editing is still copied every second). Without unsaved work,
    // the copy is deleted instead.
    void changed();
    // Takes the copy (or deletes it) at once, for the writer to write, as the moment after a
    // change does.
    void take_now();
    // The same, and waits until it is written: false when that failed (failed() says why).
    bool write_now();
    // The work has been saved or discarded: the copy goes, and nothing is copied until the
    // next change.
    void forget();
    // Whether the document holds work that no Save wrote: edits, or a generated galaxy never
    // saved.
    bool has_unsaved_work() const;
    // The name of this window's copy in the folder, once it has one.
    std::string own_file() const;

signals:
    // The copy could not be written: said once until a copy is written again.
    void failed(const QString& sentence);

private:
    UnsavedWork take() const;
    void queue(std::optional<UnsavedWork> work);
    void write_queued();
    void report(const std::string& error);

    const GalaxyDocument& document_;
    const std::string folder_;
    const std::function<std::string()> campaign_name_;
    QTimer* timer_ = nullptr;
    bool failure_said_ = false;

    // Shared with the writer: the job waiting (a copy to write, or nullopt to delete it), whether
    // one is being done, and whether the window is closing. The stop is a plain flag rather than
    // a stop token: under Windows this compiler's standard library waits for a stop callback on a
    // semaphore that can miss its wake, which left a closing window joining its writer for ever.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::optional<UnsavedWork>> job_;
    bool writing_ = false;
    bool stopping_ = false;
    bool last_ok_ = true;
    std::unique_ptr<OwnCopy> own_;  // made by the writer at its first job
    std::thread writer_;
};

}  // namespace orvek
