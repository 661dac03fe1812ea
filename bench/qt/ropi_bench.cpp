// Times the real game window on Qt's offscreen platform and SDL's dummy audio
// driver: the cat's rhythm, the countdown, cue onsets, processor load and
// memory. The rhythm wants 100 intervals at each speed, more than one round
// holds: when the round ends, Space starts Overtime, and once what is left fits
// in one round, a click on the reset button lets the clock end it at 0.
// Start-up under X is timed by startup.py. --smoke runs a few ticks of each kind
// and judges no figure; --trace tells of every tick and every long event on
// stderr, to find what made a tick late.
#include "../Round.h"
#include "CueProbe.h"

#include "platform/qt/QtBackend.h"
#include "window/Form1.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

using namespace bench;

namespace {

// With --trace, tells of every event whose delivery kept the game's thread
// busy long enough to make a tick late.
class TracingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool trace = false;
    std::int64_t origin = 0;
    bool notify(QObject *receiver, QEvent *event) override
    {
        const std::int64_t start = wallNs();
        const int type = event->type(); // the event may be gone after delivery
        const bool handled = QApplication::notify(receiver, event);
        const double took = ms(wallNs() - start);
        if (trace && took > 0.5)
            std::fprintf(stderr, "event %d to %s at %.3f took %.3f ms\n", type,
                         receiver->metaObject()->className(), ms(start - origin), took);
        return handled;
    }
};

// A key press as the window receives it from Qt.
void press(Form1 &form, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&platform::qt::window(form), &event);
}

// A click of the left button in the middle of a control, as Qt delivers it.
void click(const platform::Control &control)
{
    QWidget &widget = platform::qt::widget(control);
    const QPointF middle = QRectF(widget.rect()).center();
    const QPointF global = widget.mapToGlobal(middle);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, middle, global, Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }
}

void runEvents(QEventLoop &loop, int timeoutMs)
{
    QTimer::singleShot(timeoutMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void runFor(int milliseconds)
{
    QEventLoop loop;
    runEvents(loop, milliseconds);
}

// Puts a stamp in front of a timer's handler: the tick's moment is taken
// before the game's work, as the game's own handler would see it.
template <typename Stamp> void stampTicks(platform::Timer &timer, Stamp stamp)
{
    timer.Tick.connect(stamp);
}

// A bare thread sleeping to absolute deadlines beside the game: how late the
// machine itself wakes a sleeper meanwhile. No timer of the game can do better.
void recordWakeLateness(const std::atomic<bool> &stop, std::vector<Wake> &wakes)
{
    constexpr std::int64_t kPeriodNs = 100'000'000;
    std::int64_t deadline = wallNs();
    while (!stop) {
        deadline += kPeriodNs;
        const timespec at{time_t(deadline / 1'000'000'000), long(deadline % 1'000'000'000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
        wakes.push_back({deadline, ms(wallNs() - deadline)});
    }
}

Row onsetRow(const std::string &what, const std::vector<double> &latencies)
{
    const double limit = 512.0 * 1000 / 48000 + 2; // one buffer of the device, and 2 ms
    return summaryRow("Cue onset, " + what, summarize(latencies), limit, "12.7", 2);
}

} // namespace

int main(int argc, char **argv)
{
    const bench::Options options = bench::parseOptions(argc, argv);
    const bool smoke = options.smoke, trace = options.trace;
    const std::string &jsonPath = options.jsonPath;
    int qtArgc = 1;
    TracingApplication app(qtArgc, argv);
    app.trace = trace;
    platform::qt::configureApplication();
    // The game reads its picture and cues from the current directory.
    QDir::setCurrent(QStringLiteral(ROPI_ASSETS_DIR));

    Form1 form;
    form.Load();
    form.Show();
    CueProbe probe;
    for (const char *cue :
         {"Cat0.wav", "Cat1.wav", "Cat2.wav", "Cat3.wav", "Cat4.wav", "ピンポン.wav", "ブー.wav"})
        probe.learn(QString::fromUtf8(cue));
    // The window idle before any round.
    CpuShare idle;
    idle.begin();
    runFor(smoke ? 300 : 10000);
    idle.end();

    // 100 intervals at each speed: six minutes of jumps, Overtime included.
    Rhythm rhythm(smoke ? std::vector<Rhythm::Phase>{{'4', 250, 3}, {'3', 500, 2}}
                        : std::vector<Rhythm::Phase>{{'4', 250, kP99Samples},
                                                     {'3', 500, kP99Samples},
                                                     {'2', 1000, kP99Samples},
                                                     {'1', 2000, kP99Samples}},
                  form.Timer1.Interval());
    // After a reset the clock needs two minutes to reach 0; a few seconds are kept in hand.
    constexpr double kResetWhenLeftMs = 117'000;
    bool overtime = false, reset = false;
    CpuShare running;
    std::int64_t roundStart = 0;
    stampTicks(form.Timer1, [&] {
        const std::int64_t now = wallNs();
        probe.arm(now);
        platform::guarded([&] { form.Timer1_Timer(); });
        if (trace)
            std::fprintf(stderr, "jump handler %.3f ms at %10.3f ms, period %d\n",
                         ms(wallNs() - now), ms(now - roundStart), form.Timer1.Interval());
        if (const int key = rhythm.jump(now, form.Timer1.Interval(), running))
            press(form, Qt::Key(key));
        if (overtime && !reset && rhythm.msLeft() <= kResetWhenLeftMs) {
            reset = true;
            click(form.cmdReset);
        }
    });
    QEventLoop round;
    std::vector<std::int64_t> seconds; // the first round's: the countdown's drift
    stampTicks(form.Timer2, [&] {
        if (!overtime)
            seconds.push_back(wallNs());
        if (trace)
            std::fprintf(stderr, "second %8.3f ms\n", ms(wallNs() - roundStart));
        platform::guarded([&] { form.Timer2_Timer(); });
        if (form.Timer2.Enabled())
            return;
        if (smoke || overtime || rhythm.msLeft() == 0) {
            round.quit();
            return;
        }
        overtime = true;
        rhythm.restart();
        press(form, Qt::Key_Space);
    });
    if (smoke)
        form.timeLeft = 4;
    const int roundSeconds = form.timeLeft;
    press(form, Qt::Key(rhythm.phases[0].key));
    std::atomic<bool> roundOver{false};
    std::vector<Wake> wakes;
    std::thread noise(recordWakeLateness, std::cref(roundOver), std::ref(wakes));
    press(form, Qt::Key_Space);
    roundStart = app.origin = wallNs();
    runEvents(round, (roundSeconds + (smoke ? 10 : 400)) * 1000);
    roundOver = true;
    noise.join();
    if (running.wallStart && !running.wall)
        running.end();
    const std::vector<double> jumpOnsets = probe.take();

    // Shots after the round, each a hit with the 0.5 s chime; beside every
    // third, the same chime waited out by spinning on the device's mode, which
    // needs no more samples to show its cost.
    CpuShare hold, spin;
    for (int i = 0; i < (smoke ? 2 : 30); ++i) {
        form.catPos = rules::kScoringSlot;
        // Each shot lands at another point of the audio buffer's 10.7 ms.
        std::this_thread::sleep_for(std::chrono::microseconds(1067 * (i % 10)));
        hold.begin();
        probe.arm(wallNs());
        press(form, Qt::Key_F);
        hold.end();
        runFor(30);
        if (i % 3 != 0)
            continue;
        form.MMControl1.setFileName(u"ピンポン.wav");
        form.MMControl1.setCommand(u"Open");
        form.MMControl1.setCommand(u"Play");
        spin.begin();
        while (form.MMControl1.Mode() == platform::MMControl::kModePlay) {
        }
        spin.end();
        runFor(30);
    }
    const std::vector<double> shotOnsets = probe.take();
    for (std::size_t i = 0; trace && i < shotOnsets.size(); ++i)
        std::fprintf(stderr, "shot %zu onset %.3f ms\n", i, shotOnsets[i]);

    std::vector<Row> rows = roundRows(rhythm, seconds, roundStart, roundSeconds, wakes, "", "");
    rows.push_back(onsetRow("jumps (Timer1 tick to first sample out)", jumpOnsets));
    rows.push_back(onsetRow("shots (key press to first sample out)", shotOnsets));
    rows.push_back(cpuRow("window idle", idle, 1));
    rows.push_back(cpuRow("round running at 250 ms", running, 3));
    rows.push_back(cpuRow("hold of a shot (0.5 s chime)", hold, 5));
    rows.push_back(spinRow(spin, hold));
    rows.push_back(memoryRow("Peak resident memory, ropi_bench after the round"));
    printRows(rows, smoke);
    writeJson(jsonPath, rows);
    // Smoke: the figures are not judged, but every kind must have been measured.
    const bool measured = !jumpOnsets.empty() && !shotOnsets.empty() && !seconds.empty() &&
                          rhythm.deviations.count(250) && rhythm.deviations.count(500);
    if (!measured)
        std::fprintf(stderr, "ropi_bench: some figure got no sample\n");
    return measured ? 0 : 1;
}
