// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/recovery_keeper.h"

#include "core/error.h"
#include "ui/galaxy_document.h"

#include <QTimer>
#include <QUndoStack>

#include <ctime>

namespace orvek {

namespace {

// A copy is taken this long after the first change of a burst: soon enough that a kill loses
// about a second, seldom enough that steady editing costs the disk one write a second.
constexpr int kCopyDelayMs = 1000;

}  // namespace

RecoveryKeeper::RecoveryKeeper(const GalaxyDocument& document, std::string folder,
                               std::function<std::string()> campaign_name, QObject* parent)
    : QObject(parent), document_(document), folder_(std::move(folder)),
      campaign_name_(std::move(campaign_name)), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    timer_->setInterval(kCopyDelayMs);
    connect(timer_, &QTimer::timeout, this, &RecoveryKeeper::take_now);
    if (!folder_.empty())
        writer_ = std::thread([this] { write_queued(); });
}

RecoveryKeeper::~RecoveryKeeper()
{
    if (!writer_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

bool RecoveryKeeper::has_unsaved_work() const
{
    return document_.has_unsaved_edits() ||
           (document_.command() && document_.saved_id().empty() && !document_.planets().empty());
}

std::string RecoveryKeeper::own_file() const
{
    const std::lock_guard lock(mutex_);
    return own_ ? own_->file() : std::string();
}

void RecoveryKeeper::changed()
{
    if (!timer_->isActive())
        timer_->start();
}

void RecoveryKeeper::take_now()
{
    timer_->stop();
    queue(has_unsaved_work() ? std::optional(take()) : std::nullopt);
}

bool RecoveryKeeper::write_now()
{
    if (folder_.empty())
        return false;
    take_now();
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !job_ && !writing_; });
    return last_ok_;
}

void RecoveryKeeper::forget()
{
    timer_->stop();
    queue(std::nullopt);
}

UnsavedWork RecoveryKeeper::take() const
{
    UnsavedWork work;
    work.game_folder = document_.folder().game_dir();
    work.galaxy = document_.galaxy();
    work.campaign_name = campaign_name_();
    work.edits = document_.unsaved_edit_count();
    work.time = static_cast<std::int64_t>(std::time(nullptr));
    if (const auto& command = document_.command()) {
        work.source.kind = WorkSource::Kind::Generated;
        work.source.generate = command->kind;
        work.source.fields = command->fields;
        work.source.seed = command->seed;
    } else if (const LoadedCampaign* opened = document_.opened()) {
        work.source.kind = WorkSource::Kind::Opened;
        work.source.campaign_id = opened->id;
        work.source.fingerprint = document_.seen_on_disk();
    }
    return work;
}

// The newest job replaces one still waiting: only the latest work is worth the disk's time.
void RecoveryKeeper::queue(std::optional<UnsavedWork> work)
{
    if (folder_.empty())
        return;
    {
        const std::lock_guard lock(mutex_);
        job_ = std::move(work);
    }
    wake_.notify_all();
}

// The writer's loop: one job at a time, the text made here rather than on the window's thread.
// A stop waits for the job in hand and the one waiting.
void RecoveryKeeper::write_queued()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return job_.has_value() || stopping_; });
        if (!job_)
            return;
        const std::optional<UnsavedWork> work = std::move(*job_);
        job_.reset();
        writing_ = true;
        std::string error;
        try {
            if (!own_ && work)
                own_ = std::make_unique<OwnCopy>(folder_, work->game_folder);
            lock.unlock();
            if (work)
                own_->store(unsaved_work_text(*work));
            else if (own_)
                own_->remove();
        } catch (const Error& e) {
            error = e.what();
        }
        if (lock.owns_lock())
            lock.unlock();
        report(error);
        lock.lock();
        last_ok_ = error.empty();
        writing_ = false;
        wake_.notify_all();
    }
}

// On the writer's thread: a failure is said once on the window's thread; a success makes the
// next failure worth saying again.
void RecoveryKeeper::report(const std::string& error)
{
    QMetaObject::invokeMethod(this, [this, error] {
        if (error.empty()) {
            failure_said_ = false;
        } else if (!failure_said_) {
            failure_said_ = true;
            const bool stop = !error.empty() && error.back() == '.';
            emit failed(QString::fromStdString(
                "The recovery copy of your unsaved work cannot be written: " + error +
                (stop ? " " : ". ") + "Save to keep your work."));
        }
    });
}

}  // namespace orvek
