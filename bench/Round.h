#pragma once

// What both benchmarks measure of a round and how they report it: the cat's
// rhythm at every speed, the countdown's drift, processor shares, and the rows
// of the table, on Linux and on Windows alike.

#include "Measure.h"

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Row {
    std::string name, result, goal;
    bool met;
    std::map<std::string, double> values;
};

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

// One wake-up of the bare thread beside the game: when it was due, and how late it woke.
struct Wake {
    std::int64_t due;
    double lateMs;
};

// A percentile needs this many samples to be more than the largest of them.
constexpr std::size_t kP99Samples = 100;

// With fewer samples than a p99 needs, a summary gives their median and maximum only.
inline std::string summaryText(const Summary &s, int decimals = 3)
{
    char text[128];
    if (s.n >= kP99Samples)
        std::snprintf(text, sizeof text, "median %.*f / p99 %.*f / max %.*f ms (n=%zu)", decimals,
                      s.median, decimals, s.p99, decimals, s.max, s.n);
    else
        std::snprintf(text, sizeof text, "median %.*f / max %.*f ms (n=%zu, too few for a p99)",
                      decimals, s.median, decimals, s.max, s.n);
    return text;
}

inline std::map<std::string, double> summaryValues(const Summary &s)
{
    std::map<std::string, double> values{
        {"n", double(s.n)}, {"median_ms", s.median}, {"max_ms", s.max}};
    if (s.n >= kP99Samples)
        values["p99_ms"] = s.p99;
    return values;
}

// A row whose goal bounds the p99 of its samples; with too few for a p99, their maximum,
// which bounds it, is judged instead.
inline Row summaryRow(const std::string &name, const Summary &s, double bound,
                      const std::string &boundText, int decimals = 3)
{
    const bool p99 = s.n >= kP99Samples;
    return {name, summaryText(s, decimals), (p99 ? "p99 <= " : "max <= ") + boundText + " ms",
            s.n > 0 && (p99 ? s.p99 : s.max) <= bound, summaryValues(s)};
}

// The rhythm at one speed. With too few intervals for a p99, beside their maximum stands the
// bare thread's latest wake-up over the same window: a late interval that the machine shared
// is the machine's.
inline Row rhythmRow(int period, const std::vector<double> &deviations,
                     std::pair<std::int64_t, std::int64_t> window, const std::vector<Wake> &wakes,
                     const std::string &under)
{
    const Summary s = summarize(deviations);
    Row row = summaryRow("Cat rhythm at " + std::to_string(period) +
                             " ms, interval off the period" + under,
                         s, 2.0, "2");
    if (s.n >= kP99Samples)
        return row;
    double machineMax = 0;
    for (const Wake &wake : wakes)
        if (wake.due >= window.first && wake.due <= window.second)
            machineMax = std::max(machineMax, wake.lateMs);
    char text[64];
    std::snprintf(text, sizeof text, "; the machine's max meanwhile %.3f ms", machineMax);
    row.result += text;
    row.values["machine_max_ms"] = machineMax;
    return row;
}

// The rows of the cat's rhythm at each speed, the countdown's drift over the first round and a
// bare thread's wake-up lateness beside them. `under` follows every name.
inline std::vector<Row> roundRows(const Rhythm &rhythm, const std::vector<std::int64_t> &seconds,
                                  std::int64_t roundStart, int roundSeconds,
                                  const std::vector<Wake> &wakes, const std::string &machineWhat,
                                  const std::string &under)
{
    std::vector<Row> rows;
    for (const auto &[period, list] : rhythm.deviations)
        rows.push_back(rhythmRow(period, list, rhythm.windows.at(period), wakes, under));
    double worstDrift = 0;
    for (std::size_t k = 0; k < seconds.size(); ++k)
        worstDrift =
            std::max(worstDrift, std::abs(ms(seconds[k] - roundStart) - 1000.0 * double(k + 1)));
    const double endDrift =
        seconds.empty() ? 0 : ms(seconds.back() - roundStart) - 1000.0 * double(seconds.size());
    char text[128];
    std::snprintf(text, sizeof text, "%+.2f ms after %zu ticks (worst tick %.2f ms)", endDrift,
                  seconds.size(), worstDrift);
    rows.push_back({"Countdown drift against the wall clock" + under,
                    text,
                    "<= 50 ms",
                    std::abs(endDrift) <= 50 && seconds.size() == std::size_t(roundSeconds),
                    {{"ticks", double(seconds.size())},
                     {"end_drift_ms", endDrift},
                     {"worst_tick_ms", worstDrift}}});
    std::vector<double> lateness;
    for (const Wake &wake : wakes)
        lateness.push_back(wake.lateMs);
    const Summary wake = summarize(lateness);
    rows.push_back({"Machine: a bare thread's wake-up lateness" + machineWhat +
                        " while the cat jumped" + under,
                    summaryText(wake), "(reference)", true, summaryValues(wake)});
    return rows;
}

inline Row cpuRow(const std::string &what, const CpuShare &share, double goal,
                  const std::string &under = "")
{
    char text[64], goalText[32];
    std::snprintf(text, sizeof text, "%.2f %% over %.1f s", share.percent(), ms(share.wall) / 1000);
    std::snprintf(goalText, sizeof goalText, "<= %g %%", goal);
    return {"CPU, " + what + under,
            text,
            goalText,
            share.percent() <= goal,
            {{"percent", share.percent()}, {"seconds", ms(share.wall) / 1000}}};
}

// The hold of a shot beside the same chime waited out by spinning on the device's mode.
inline Row spinRow(const CpuShare &spin, const CpuShare &hold, const std::string &under = "")
{
    Row row = cpuRow("same chime, busy poll of Mode()", spin, 100, under);
    const double ratio = spin.percent() / std::max(hold.percent(), 0.01);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %%, %.0fx the hold", spin.percent(), ratio);
    row.result = text;
    row.goal = "(comparison)";
    row.met = true;
    row.values["ratio_to_hold"] = ratio;
    return row;
}

inline Row memoryRow(const std::string &what, const std::string &under = "")
{
    const double peakMb = peakResidentKb() / 1024.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", peakMb);
    return {what + under, text, "<= 80 MB", peakMb > 0 && peakMb <= 80, {{"vmhwm_mb", peakMb}}};
}

inline void printRows(const std::vector<Row> &rows, bool smoke)
{
    for (const Row &r : rows)
        std::printf("%-60s %-55s %-14s %s\n", r.name.c_str(), r.result.c_str(), r.goal.c_str(),
                    smoke || r.goal[0] == '(' ? "" : (r.met ? "met" : "MISSED"));
    std::fflush(stdout);
}

// The rows as JSON, then any further members written as they stand. Strings here are plain
// ASCII or UTF-8 without quotes or backslashes.
inline std::string rowsJson(const std::vector<Row> &rows, const std::string &more = "")
{
    std::string json = "{\"rows\": [\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row &r = rows[i];
        json += "  {\"name\": \"" + r.name + "\", \"result\": \"" + r.result + "\", \"goal\": \"" +
                r.goal + "\", \"met\": " + (r.met ? "true" : "false");
        for (const auto &[key, value] : r.values) {
            char number[32];
            std::snprintf(number, sizeof number, "%.4f", value);
            json += ", \"" + key + "\": " + number;
        }
        json += std::string("}") + (i + 1 < rows.size() ? "," : "") + "\n";
    }
    return json + "]" + more + "}\n";
}

inline void writeJson(const std::string &path, const std::vector<Row> &rows,
                      const std::string &more = "")
{
    if (FILE *out = std::fopen(path.c_str(), "w")) {
        std::fputs(rowsJson(rows, more).c_str(), out);
        std::fclose(out);
    }
}

// A moment the game was asked to sound a cue, and the cue it chose: the script that runs the
// benchmark finds the cue in a recording of the sound server's sink.
struct CueEvent {
    std::string kind; // "jump", "shot", or "spin" for the chime beside a shot
    std::int64_t ns;
    std::string cue;
};

// The moments of the cues, as a further member of the JSON.
inline std::string eventsJson(const std::vector<CueEvent> &events)
{
    std::string json = ",\n\"events\": [\n";
    for (std::size_t i = 0; i < events.size(); ++i)
        json += "  {\"kind\": \"" + events[i].kind + "\", \"ns\": " + std::to_string(events[i].ns) +
                ", \"cue\": \"" + events[i].cue + "\"}" + (i + 1 < events.size() ? ",\n" : "\n");
    return json + "]";
}

} // namespace bench
