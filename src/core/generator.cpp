#include "core/generator.h"

#include "core/error.h"
#include "core/linking.h"
#include "core/placement.h"
#include "core/settings.h"
#include "core/simd.h"

#include <atomic>
#include <exception>
#include <optional>
#include <thread>

namespace orvek {

namespace {

// Waits for a condition another thread makes true: spinning first, since the wait is usually a
// few microseconds, then giving the core away.
template <class Condition>
void wait_until(Condition condition)
{
    for (int spins = 0; !condition(); ++spins) {
        if (spins > 4000)
            std::this_thread::yield();
#ifdef ORVEK_SSE2
        else
            _mm_pause();
#endif
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

// One Generate's attempts, first on this thread, then, once they turn out to be many, on two:
// a placing thread runs ahead through the draws of later attempts while this one links and tests
// them in order. The draws are the same either way, and the first connected attempt wins.
class AttemptLoop {
public:
    AttemptLoop(const GalaxyParams& params, GenerationServices& services, Random& random,
                Galaxy& galaxy, GenerationProgress* progress, std::uint64_t pipeline_after)
        : params_(params), services_(services), random_(random), galaxy_(galaxy),
          progress_(progress), pipeline_after_(pipeline_after)
    {}

    GenerationResult run()
    {
        const std::optional<std::int32_t> wormholes = try_parse(params_.wormhole_text);
        // The template folder is listed once per command; every attempt draws from a fresh copy
        // of that listing.
        services_.templates.list_templates(templates_);
        Placer placer(params_, static_cast<std::uint32_t>(templates_.size()), wormholes);
        Linker linker(params_.planets);
        Placed placed(params_.planets);
        for (std::uint64_t number = 1;; ++number) {
            if (stopped_before(number))
                return GenerationResult::Cancelled;
            count_attempt(number);
            placer.run(placed, random_, services_.backgrounds, services_.names);
            galaxy_.background_path = placed.background;
            if (placed.kind == Placed::Kind::Ready && linker.connected(placed))
                return complete(linker, placed);
            if (number >= pipeline_after_ && std::thread::hardware_concurrency() >= 2)
                return run_pipelined(number, placer, linker);
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

    GenerationResult complete(Linker& linker, Placed& placed)
    {
        linker.store(placed, galaxy_.planets, templates_, services_.names.load_system_names());
        galaxy_.background_path = placed.background;
        services_.status.show_status(kReady);
        return GenerationResult::Complete;
    }

    // The attempts in flight between the two threads: the placing thread fills the slots at
    // most a ring ahead of the testing thread, so a slot is never refilled before it is tested.
    struct Ring {
        static constexpr std::uint64_t kSlots = 8;
        Ring(int planets, std::uint64_t done) : slots(kSlots, Placed(planets)), done(done) {}
        Placed& slot(std::uint64_t i) { return slots[i % kSlots]; }
        std::vector<Placed> slots;
        const std::uint64_t done;  // attempts made before the ring started
        // Each counter on a cache line of its own: the two threads write one each.
        alignas(64) std::atomic<std::uint64_t> produced{0};
        alignas(64) std::atomic<std::uint64_t> consumed{0};
    };

    GenerationResult run_pipelined(std::uint64_t done, Placer& placer, Linker& linker)
    {
        Ring ring(params_.planets, done);
        // The placing thread also finds the nearest planets of the first quarter of the planets:
        // with that share of the linking work the two threads, side by side, take about equally
        // long.
        linking_share_ = params_.planets / 4;
        std::uint32_t state = random_.state();
        Placed* decided = nullptr;
        {
            std::jthread placing([&](std::stop_token stop) { produce(stop, ring, placer); });
            decided = &consume(ring, linker, state);
        }  // leaving the block stops the placing thread and waits for it
        return finish(*decided, state, linker);
    }

    // The placing thread: every draw of the attempts after `ring.done`, in order, from the state
    // this thread left off at, until it is stopped or an attempt ends the command.
    void produce(std::stop_token stop, Ring& ring, Placer& placer)
    {
        Random random(random_.state());
        for (std::uint64_t i = 0;; ++i) {
            wait_until([&] {
                return stop.stop_requested() ||
                       i - ring.consumed.load(std::memory_order_acquire) < Ring::kSlots;
            });
            if (stop.stop_requested())
                return;
            Placed& slot = ring.slot(i);
            slot.number = ring.done + i + 1;
            const bool last = place_one(slot, random, placer);
            ring.produced.store(i + 1, std::memory_order_release);
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
            if (slot.kind == Placed::Kind::Ready)
                find_nearest_ahead(slot, linking_share_);
            return false;
        } catch (...) {
            slot.kind = Placed::Kind::Failed;
            slot.error = std::current_exception();
            slot.state_after = random.state();
            return true;
        }
    }

    // The testing thread: links and tests the placed attempts in order until one decides the
    // command; `state` follows the random source through the attempts that did not.
    Placed& consume(Ring& ring, Linker& linker, std::uint32_t& state)
    {
        for (std::uint64_t i = 0;; ++i) {
            wait_until([&] { return ring.produced.load(std::memory_order_acquire) > i; });
            Placed& slot = ring.slot(i);
            if (slot.kind == Placed::Kind::Cancelled || slot.kind == Placed::Kind::Failed ||
                (slot.kind == Placed::Kind::Ready && linker.connected(slot)))
                return slot;
            state = slot.state_after;
            ring.consumed.store(i + 1, std::memory_order_release);
        }
    }

    GenerationResult finish(Placed& decided, std::uint32_t state, Linker& linker)
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
            return complete(linker, decided);
        }
    }

    const GalaxyParams& params_;
    GenerationServices& services_;
    Random& random_;
    Galaxy& galaxy_;
    GenerationProgress* progress_;
    const std::uint64_t pipeline_after_;
    std::vector<std::string> templates_;
    int linking_share_ = 0;
};

}  // namespace

GenerationResult generate_galaxy(const GalaxyParams& params, GenerationServices& services,
                                 Random& random, Galaxy& galaxy, GenerationProgress* progress,
                                 std::uint64_t pipeline_after)
{
    galaxy.planets.clear();
    if (params.planets < kFewestPlanets || params.planets > kMostPlanets)
        throw Error("The planet count " + std::to_string(params.planets) + " lies outside " +
                    std::to_string(kFewestPlanets) + ".." + std::to_string(kMostPlanets));
    services.status.show_status(kCalculating);
    return AttemptLoop(params, services, random, galaxy, progress, pipeline_after).run();
}

}  // namespace orvek
