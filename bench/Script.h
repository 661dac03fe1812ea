#pragma once

// The benchmark's script, the same for every build: the window idle, a round with the cat's
// rhythm at each speed of the plan and the countdown beside a bare sleeper, shots held to their
// chime beside a busy poll of the same chime, and the window idle again. Each build's program
// makes the window and a Driver, the short list of what its system does differently, and runs
// this script; the script hands what it measured, as JSON, to the program's own script
// (bench/qt/linux_bench.py, bench/windows/wine_bench.py, bench/web/web_bench.py), which makes
// the figures with bench/figures.py.

#include "Measure.h"

#include "platform/shared/Text.h"
#include "window/Form1.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// The cat's rhythm at every speed: the speeds in turn, each timed over its steady ticks. An
// interval that follows a change of period (the first after Space, the first at a new speed) is
// not steady.
class Rhythm {
public:
    struct Phase {
        int key; // the digit key that chooses the speed
        int period;
        std::size_t intervals; // at this period by the phase's end, earlier phases' included
    };

    Rhythm(std::vector<Phase> phases, int firstPeriod)
        : phases(std::move(phases)), lastPeriod_(firstPeriod)
    {
    }

    // At each jump, its moment and the timer's period once the jump is handled. The share
    // `running` (anything with begin() and end()) spans the first phase. Returns the key of
    // the next phase, when it is due.
    template <typename Share> int jump(std::int64_t now, int period, Share &running)
    {
        int key = 0;
        if (!lastRestarted_) {
            auto &list = deviations[lastPeriod_];
            list.push_back(std::abs(ms(now - lastTick_) - lastPeriod_));
            auto &window = windows[lastPeriod_];
            window = {list.size() == 1 ? lastTick_ : window.first, now};
            if (phase_ == 0 && list.size() == 1)
                running.begin();
            if (phase_ == 0 && list.size() == phases[0].intervals)
                running.end();
            if (lastPeriod_ == phases[phase_].period && list.size() >= phases[phase_].intervals &&
                phase_ + 1 < phases.size())
                key = phases[++phase_].key;
        }
        lastRestarted_ = period != lastPeriod_;
        lastPeriod_ = period;
        lastTick_ = now;
        return key;
    }

    // Space after the end of a round: the cat stood still meanwhile, which is no interval.
    void restart() { lastRestarted_ = true; }

    // Milliseconds of jumps the phases still need: the rest of this one, and each later one
    // with the unsteady interval at its start.
    double msLeft() const
    {
        const auto have = [&](int period) {
            const auto found = deviations.find(period);
            return found == deviations.end() ? std::size_t(0) : found->second.size();
        };
        const Phase &now = phases[phase_];
        double left =
            double(now.period) * double(now.intervals - std::min(now.intervals, have(now.period)));
        for (std::size_t i = phase_ + 1; i < phases.size(); ++i)
            left += double(phases[i].period) * double(phases[i].intervals + 1);
        return left;
    }

    const std::vector<Phase> phases;
    std::map<int, std::vector<double>> deviations; // by period: each steady interval off it, ms
    // By period: from the start of its first steady interval to the end of its last, ns.
    std::map<int, std::pair<std::int64_t, std::int64_t>> windows;

private:
    std::size_t phase_ = 0;
    std::int64_t lastTick_ = 0;
    int lastPeriod_;
    bool lastRestarted_ = true;
};

// One wake-up of the bare sleeper beside the game: when it was due, and how late it woke.
struct Wake {
    std::int64_t due;
    double lateMs;
};

using Members = std::vector<std::pair<std::string, std::string>>;

// What a benchmark program gives the script: its plan, and the few things its system does
// differently. Every member is set by each program unless marked optional.
struct Driver {
    // ---- The plan ----
    // The speeds in turn, and the steady intervals each needs (in --smoke, a few of two speeds).
    std::vector<Rhythm::Phase> phases;
    // True: when a round ends before every phase has its intervals, Space runs the clock on
    // below 0, and once what is left fits in one round a click on the reset button lets the
    // clock end it at 0. False: one round, whose last phase takes what the others leave.
    bool overtime = false;
    int settleMs = 0; // the window left alone after its start, before it is measured idle
    // False where each edge of a span costs the program more than a shot's own moment would
    // bear: one span then holds every shot and the pauses between them.
    bool spanEachShot = true;
    // False where the device's mode changes only while the program's events run, so that a
    // busy poll of it would never end.
    bool busyPoll = true;

    // ---- What the system does ----
    std::function<void(int key)> press; // a key on the window, as the system delivers one
    std::function<void(const platform::Control &)> click; // with overtime: a click on a control
    // Delivers the window's events until done() or the timeout; done() is asked between events.
    std::function<void(const std::function<bool()> &done, int timeoutMs)> runUntil;
    std::function<void(int microseconds)> pause; // before a shot, so that each lands elsewhere
    // A bare sleeper beside the game, waking to deadlines 100 ms apart on wallNs()'s clock,
    // and what it woke to.
    std::function<void()> startWakes;
    std::function<std::vector<Wake>()> stopWakes;
    // An edge ("begin" or "end") of a processor span, and a moment to line up the clocks at:
    // the program's own script reads processes and clocks meanwhile.
    std::function<void(const char *edge, const std::string &what)> markSpan;
    std::function<void()> sync;
    // Optional: a cue about to be asked for ("jump", "shot", or "spin" for the busy poll's).
    std::function<void(const std::string &kind, std::int64_t ns)> cueAsked;
    // Optional: the round is over, before the shots; the program may read what it holds.
    std::function<void()> roundEnded;
    std::function<Members()> more; // further members of the result, at its end
    std::function<void(const std::string &json)> deliver; // the result, to the program's script
};

namespace detail {

// A processor span: the program's own share, the driver's marks at both edges.
struct Span {
    const Driver &driver;
    std::string what;
    CpuShare own{};
    void begin()
    {
        driver.markSpan("begin", what);
        own.begin();
    }
    void end()
    {
        own.end();
        driver.markSpan("end", what);
    }
};

inline std::string spanJson(const std::string &what, const CpuShare &share)
{
    return json::object({{"what", json::string(what)},
                         {"wall_ns", json::number(share.wall)},
                         {"cpu_ns", json::number(share.cpu)}});
}

inline std::string nsList(const std::vector<std::int64_t> &moments)
{
    return json::list(moments, [](std::int64_t ns) { return json::number(ns); });
}

} // namespace detail

// Runs the script on the window, loaded and shown, and hands over what it measured. Returns
// whether every kind of figure got a sample.
inline bool run(Form1 &form, const Driver &driver, const Options &options)
{
    using detail::Span;
    const bool smoke = options.smoke, trace = options.trace;
    const auto runFor = [&](int milliseconds) {
        if (milliseconds > 0)
            driver.runUntil([] { return false; }, milliseconds);
    };
    std::vector<std::string> events; // each cue asked for: its kind, moment and file
    std::map<std::string, int> asks; // by kind
    const auto asked = [&](const std::string &kind, std::int64_t ns, const std::u16string &cue) {
        ++asks[kind];
        events.push_back(json::object({{"kind", json::string(kind)},
                                       {"ns", json::number(ns)},
                                       {"cue", json::string(platform::toUtf8(cue))}}));
    };
    const auto willAsk = [&](const std::string &kind, std::int64_t ns) {
        if (driver.cueAsked)
            driver.cueAsked(kind, ns);
    };
    driver.sync();

    runFor(smoke ? 0 : driver.settleMs);
    Span idle{driver, "window idle"};
    idle.begin();
    runFor(smoke ? 300 : 10000);
    idle.end();

    Rhythm rhythm(smoke ? std::vector<Rhythm::Phase>{{'4', 250, 3}, {'3', 500, 2}} : driver.phases,
                  form.Timer1.Interval());
    // After a reset the clock needs two minutes to reach 0; a few seconds are kept in hand.
    constexpr double kResetWhenLeftMs = 117'000;
    bool overtime = false, resetDue = false, reset = false, over = false;
    int keyDue = 0; // pressed between events, as a player's key comes
    Span running{driver, "round running at 250 ms"};
    std::int64_t roundStart = 0;
    form.Timer1.Tick.connect([&] {
        const std::int64_t now = wallNs();
        willAsk("jump", now);
        form.Timer1_Timer();
        asked("jump", now, form.cueFile);
        if (trace)
            std::fprintf(stderr, "jump handler %.3f ms at %10.3f ms, period %d\n",
                         ms(wallNs() - now), ms(now - roundStart), form.Timer1.Interval());
        if (const int key = rhythm.jump(now, form.Timer1.Interval(), running))
            keyDue = key;
        if (overtime && !reset && rhythm.msLeft() <= kResetWhenLeftMs)
            resetDue = reset = true;
    });
    std::vector<std::int64_t> seconds; // the first round's: the countdown's drift
    form.Timer2.Tick.connect([&] {
        if (!overtime)
            seconds.push_back(wallNs());
        if (trace)
            std::fprintf(stderr, "second %8.3f ms\n", ms(wallNs() - roundStart));
        form.Timer2_Timer();
        driver.sync();
        if (form.Timer2.Enabled())
            return;
        if (smoke || !driver.overtime || overtime || rhythm.msLeft() == 0) {
            over = true;
            return;
        }
        overtime = true;
        rhythm.restart();
        keyDue = ' ';
    });
    if (smoke)
        form.timeLeft = 4;
    const int roundSeconds = form.timeLeft;
    driver.press(rhythm.phases[0].key);
    driver.startWakes();
    driver.press(' ');
    roundStart = wallNs();
    driver.runUntil(
        [&] {
            if (keyDue)
                driver.press(std::exchange(keyDue, 0));
            if (std::exchange(resetDue, false))
                driver.click(form.cmdReset);
            return over;
        },
        (roundSeconds + (driver.overtime && !smoke ? 400 : 10)) * 1000);
    const std::vector<Wake> wakes = driver.stopWakes();
    if (running.own.wallStart && !running.own.wall)
        running.end();
    if (driver.roundEnded)
        driver.roundEnded();

    // Shots after the round, each a hit with the 0.5 s chime; beside every third, the same
    // chime waited out by spinning on the device's mode, which needs no more samples to show
    // its cost.
    Span hold{driver, "hold of a shot (0.5 s chime)"};
    CpuShare spin;
    if (!driver.spanEachShot)
        hold.begin();
    for (int i = 0; i < (smoke ? 2 : 30); ++i) {
        form.catPos = rules::kScoringSlot;
        // Each shot lands at another point of the device's buffer and the sink's blocks.
        driver.pause(1067 * (i % 10));
        if (driver.spanEachShot)
            hold.begin();
        const std::int64_t now = wallNs();
        willAsk("shot", now);
        asked("shot", now, u"ピンポン.wav");
        driver.press('F');
        if (driver.spanEachShot)
            hold.end();
        runFor(30);
        if (!driver.busyPoll || i % 3 != 0)
            continue;
        form.MMControl1.setFileName(u"ピンポン.wav");
        form.MMControl1.setCommand(u"Open");
        // Not timed: it only marks where the shot's own chime can no longer be found.
        const std::int64_t spun = wallNs();
        willAsk("spin", spun);
        asked("spin", spun, u"ピンポン.wav");
        form.MMControl1.setCommand(u"Play");
        spin.begin();
        while (form.MMControl1.Mode() == platform::MMControl::kModePlay) {
        }
        spin.end();
        runFor(30);
    }
    if (!driver.spanEachShot)
        hold.end();
    driver.sync();

    // The window idle again: a sound device kept open may go on costing after it has played.
    Span idleAfter{driver, "window idle after the round and shots"};
    idleAfter.begin();
    runFor(smoke ? 300 : 10000);
    idleAfter.end();

    // What was measured, for the program's script to make the figures of.
    const auto rhythmJson = [&](const auto &period) {
        const auto [first, last] = rhythm.windows.at(period.first);
        return json::object({{"period", json::number(period.first)},
                             {"deviations_ms", json::list(period.second)},
                             {"window_ns", detail::nsList({first, last})}});
    };
    const auto wakeJson = [](const Wake &wake) {
        return json::list(std::vector{json::number(wake.due), json::number(wake.lateMs)});
    };
    Members result{
        {"rhythm", json::list(rhythm.deviations, rhythmJson)},
        {"round", json::object({{"seconds", json::number(roundSeconds)},
                                {"start_ns", json::number(roundStart)},
                                {"countdown_ns", detail::nsList(seconds)}})},
        {"wakes", json::list(wakes, wakeJson)},
        {"spans",
         json::list(std::vector<const Span *>{&idle, &idleAfter, &running, &hold},
                    [](const Span *span) { return detail::spanJson(span->what, span->own); })},
        {"events", json::list(events)}};
    if (driver.busyPoll)
        result.push_back({"spin", detail::spanJson("same chime, busy poll of Mode()", spin)});
    for (auto &member : driver.more())
        result.push_back(std::move(member));
    driver.deliver(json::object(result));

    return asks["jump"] && asks["shot"] && !seconds.empty() &&
           rhythm.deviations.count(rhythm.phases[0].period) &&
           rhythm.deviations.count(rhythm.phases[1].period);
}

} // namespace bench
