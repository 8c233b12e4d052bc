// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/generator.h"

#include "core/error.h"
#include "core/linking.h"
#include "core/placement.h"
#include "core/settings.h"
#include "core/simd.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <optional>
#include <thread>

namespace orvek {

namespace {

// Sleeps until `counter` may have moved on from `value`. Where the system waits on a memory
// word (Linux's futex) that is the atomic's own wait. Elsewhere the standard library of this
// compiler (GCC 12) waits on a condition variable that a wake can miss, which left a Generate
// waiting for ever under Windows; there the thread sleeps in short steps and looks again.
inline void sleep_until_changed(const std::atomic<std::uint64_t>& counter, std::uint64_t value)
{
#ifdef __linux__
    counter.wait(value, std::memory_order_acquire);
#else
    (void)counter;
    (void)value;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
#endif
}

// Waits until `ready` holds for a counter that another thread moves on, and returns the value
// that made it hold. A hand-over usually comes within an attempt's time, so the wait spins that
// long first (a thread put to sleep takes tens of microseconds to wake); then it sleeps until the
// counter changes, which leaves the core to the other thread when the two share one, or to
// whatever else the machine runs.
template <class Ready>
std::uint64_t wait_for(const std::atomic<std::uint64_t>& counter, Ready ready)
{
    constexpr auto kSpinFor = std::chrono::microseconds(50);
    std::chrono::steady_clock::time_point until{};
    for (int spins = 1;; ++spins) {
        const std::uint64_t value = counter.load(std::memory_order_acquire);
        if (ready(value))
            return value;
#ifdef ORVEK_SSE2
        _mm_pause();
#endif
        if (spins % 64 != 0)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (until == std::chrono::steady_clock::time_point{})
            until = now + kSpinFor;
        else if (now > until)
            sleep_until_changed(counter, value);
    }
}

std::optional<std::int32_t> try_parse(const std::string& text)
{
    try {
        return parse_int(text);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// One Generate's attempts, on this thread, and, while it gains, on two: a placing thread runs
// ahead through the draws of later attempts while this one links and tests them in order. The
// draws are the same either way, and the first connected attempt wins.
class AttemptLoop {
public:
    AttemptLoop(const GalaxyParams& params, GenerationServices& services, Random& random,
                Galaxy& galaxy, GenerationProgress* progress, const Threading& threading)
        : params_(params), services_(services), random_(random), galaxy_(galaxy),
          progress_(progress), choice_(threading, threading.threads == 1 ? 1 : usable_cores())
    {}

    GenerationResult run()
    {
        const std::optional<std::int32_t> wormholes = try_parse(params_.wormhole_text);
        // The template folder is listed once per command; every attempt draws from a fresh copy
        // of that listing.
        services_.templates.list_templates(templates_);
        Placer placer(params_, static_cast<std::uint32_t>(templates_.size()), wormholes);
        Linker linker(params_.planets, params_.clear_gates);
        Placed placed(params_.planets);
        for (std::uint64_t number = 1;; ++number) {
            if (stopped_before(number))
                return GenerationResult::Cancelled;
            count_attempt(number);
            placer.run(placed, random_, services_.backgrounds, services_.names);
            galaxy_.background_path = placed.background;
            if (connected(placed, placer, linker))
                return complete(placed, placer, linker);
            if (!choice_.may_join(number) ||
                !choice_.after_single(number, ThreadChoice::Clock::now()))
                continue;
            if (const std::optional<GenerationResult> result =
                    run_pipelined(number, placer, linker))
                return *result;
        }
    }

private:
    // Whether the command ends before attempt `number`: cancelled, or past the attempt limit.
    bool stopped_before(std::uint64_t number) const
    {
        return progress_ && (progress_->cancel.load(std::memory_order_relaxed) ||
                             (progress_->attempt_limit && number > progress_->attempt_limit));
    }

    void count_attempt(std::uint64_t number)
    {
        if (progress_)
            progress_->attempts.store(number, std::memory_order_relaxed);
    }

    // Whether a placed attempt gives a connected galaxy; the link counts its placing jumped over
    // are drawn here, on the testing side.
    static bool connected(Placed& placed, const Placer& placer, Linker& linker)
    {
        if (placed.kind != Placed::Kind::Ready)
            return false;
        placer.settle_link_counts(placed);
        return linker.connected(placed);
    }

    GenerationResult complete(Placed& placed, const Placer& placer, Linker& linker)
    {
        const std::vector<std::string>& system_names = services_.names.load_system_names();
        placer.settle_names(placed, static_cast<std::uint32_t>(system_names.size()));
        linker.store(placed, galaxy_.planets, templates_, system_names);
        galaxy_.background_path = placed.background;
        services_.status.show_status(kReady);
        return GenerationResult::Complete;
    }

    // The attempts in flight between the two threads: the placing thread fills the slots at
    // most a ring ahead of the testing thread, so a slot is never refilled before it is tested.
    struct Ring {
        static constexpr std::uint64_t kSlots = 8;
        // `consumed` set to this stops the placing thread.
        static constexpr std::uint64_t kClosed = ~std::uint64_t{0};
        Ring(int planets, std::uint64_t done) : slots(kSlots, Placed(planets)), done(done) {}
        Placed& slot(std::uint64_t i) { return slots[i % kSlots]; }
        void close()
        {
            consumed.store(kClosed, std::memory_order_release);
            consumed.notify_one();
        }
        std::vector<Placed> slots;
        const std::uint64_t done;  // attempts made before the ring started
        // Each counter on a cache line of its own: the two threads write one each.
        alignas(64) std::atomic<std::uint64_t> produced{0};
        alignas(64) std::atomic<std::uint64_t> consumed{0};
    };

    // Attempts after `done` on two threads, until one decides the command (its result) or the
    // two go slower than one did (nothing: `done` is then the last attempt tested, and the random
    // source's state the one after it).
    std::optional<GenerationResult> run_pipelined(std::uint64_t& done, Placer& placer,
                                                  Linker& linker)
    {
        Ring ring(params_.planets, done);
        std::uint32_t state = random_.state();
        Placed* decided = nullptr;
        {
            std::jthread placing([&] { produce(ring, placer); });
            decided = consume(ring, placer, linker, state, done);
            ring.close();
        }  // leaving the block waits for the placing thread
        if (decided)
            return finish(*decided, state, placer, linker);
        random_.set_state(state);
        count_attempt(done);
        choice_.handed_back(done, ThreadChoice::Clock::now());
        return std::nullopt;
    }

    // The placing thread: every draw of the attempts after `ring.done`, in order, from the state
    // this thread left off at, until the ring is closed or an attempt ends the command.
    void produce(Ring& ring, Placer& placer)
    {
        Random random(random_.state());
        for (std::uint64_t i = 0;; ++i) {
            const std::uint64_t consumed = wait_for(ring.consumed, [&](std::uint64_t c) {
                return c == Ring::kClosed || i - c < Ring::kSlots;
            });
            if (consumed == Ring::kClosed)
                return;
            Placed& slot = ring.slot(i);
            slot.number = ring.done + i + 1;
            const bool last = place_one(slot, random, placer);
            ring.produced.store(i + 1, std::memory_order_release);
            ring.produced.notify_one();
            if (last)
                return;
        }
    }

    // Places one attempt into its slot; true when it ends the command whatever the test says
    // (cancelled, or its draws failed).
    bool place_one(Placed& slot, Random& random, Placer& placer)
    {
        if (stopped_before(slot.number)) {
            slot.kind = Placed::Kind::Cancelled;
            return true;
        }
        count_attempt(slot.number);
        try {
            placer.run(slot, random, services_.backgrounds, services_.names);
            return false;
        } catch (...) {
            slot.kind = Placed::Kind::Failed;
            slot.error = std::current_exception();
            slot.state_after = random.state();
            return true;
        }
    }

    // The testing thread: links and tests the placed attempts in order until one decides the
    // command (returned), or the choice hands back to one thread (null); `state` and `done`
    // follow the random source and the count through the attempts that did not decide.
    Placed* consume(Ring& ring, const Placer& placer, Linker& linker, std::uint32_t& state,
                    std::uint64_t& done)
    {
        for (std::uint64_t i = 0;; ++i) {
            wait_for(ring.produced, [&](std::uint64_t p) { return p > i; });
            Placed& slot = ring.slot(i);
            if (slot.kind == Placed::Kind::Cancelled || slot.kind == Placed::Kind::Failed ||
                connected(slot, placer, linker))
                return &slot;
            state = slot.state_after;
            done = slot.number;
            if (choice_.after_pipelined(i + 1, ThreadChoice::Clock::now()))
                return nullptr;
            ring.consumed.store(i + 1, std::memory_order_release);
            ring.consumed.notify_one();
        }
    }

    GenerationResult finish(Placed& decided, std::uint32_t state, const Placer& placer,
                            Linker& linker)
    {
        switch (decided.kind) {
        case Placed::Kind::Cancelled:
            random_.set_state(state);
            count_attempt(decided.number - 1);
            return GenerationResult::Cancelled;
        case Placed::Kind::Failed:
            random_.set_state(decided.state_after);
            count_attempt(decided.number);
            galaxy_.background_path = decided.background;
            std::rethrow_exception(decided.error);
        default:
            random_.set_state(decided.state_after);
            count_attempt(decided.number);
            return complete(decided, placer, linker);
        }
    }

    const GalaxyParams& params_;
    GenerationServices& services_;
    Random& random_;
    Galaxy& galaxy_;
    GenerationProgress* progress_;
    ThreadChoice choice_;
    std::vector<std::string> templates_;
};

}  // namespace

GenerationResult generate_galaxy(const GalaxyParams& params, GenerationServices& services,
                                 Random& random, Galaxy& galaxy, GenerationProgress* progress,
                                 const Threading& threading)
{
    galaxy.planets.clear();
    if (params.planets < kFewestPlanets || params.planets > kMostPlanets)
        throw Error("The planet count " + std::to_string(params.planets) + " lies outside " +
                    std::to_string(kFewestPlanets) + ".." + std::to_string(kMostPlanets));
    services.status.show_status(kCalculating);
    return AttemptLoop(params, services, random, galaxy, progress, threading).run();
}

}  // namespace orvek
