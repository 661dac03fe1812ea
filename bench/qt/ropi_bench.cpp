// The benchmark of the Linux build: the real game window on Qt's offscreen platform, its sound
// through SDL_mixer (on a private PulseAudio server when linux_bench.py runs it, on SDL's dummy
// driver in the smoke test), driven by the benchmark's script (bench/Script.h). The rhythm wants
// 100 intervals at each speed, more than one round holds: the script runs the clock on through
// Overtime. Beside the script's figures it times each cue on the game's own clock, to the
// buffer that hands its first sample to SDL's device.
//
//   ropi_bench [--smoke] [--trace] [--json FILE]
//
// --smoke runs a few ticks of each kind; --trace tells of every tick and every long event on
// stderr, to find what made a tick late.
#include "../Desktop.h"
#include "CueProbe.h"

#include "platform/qt/QtBackend.h"
#include "window/Form1.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <ctime>

using namespace bench;

namespace {

// With --trace, tells of every event whose delivery kept the game's thread
// busy long enough to make a tick late.
class TracingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool trace = false;
    std::int64_t origin = wallNs();
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

void runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(timeoutMs);
    while (!done() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void sleepUntil(std::int64_t deadline)
{
    const timespec at{time_t(deadline / 1'000'000'000), long(deadline % 1'000'000'000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = parseOptions(argc, argv);
    int qtArgc = 1;
    TracingApplication app(qtArgc, argv);
    app.trace = options.trace;
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

    Driver driver;
    driver.phases = {{'4', 250, 100}, {'3', 500, 100}, {'2', 1000, 100}, {'1', 2000, 100}};
    driver.overtime = true; // six minutes of jumps
    driver.press = [&form](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&platform::qt::window(form), &event);
    };
    driver.click = click;
    driver.runUntil = runUntil;
    driver.cueAsked = [&probe](const std::string &kind, std::int64_t ns) {
        if (kind != "spin") // the busy poll's chime is not timed
            probe.arm(kind, ns);
    };
    std::map<std::string, std::vector<double>> onsets;
    driver.more = [&] {
        onsets = probe.take();
        return Members{{"device_onsets", json::object({{"jump", json::list(onsets["jump"])},
                                                       {"shot", json::list(onsets["shot"])}})}};
    };
    fillDesktopDriver(driver, options, sleepUntil);

    // Every kind of figure must have had a sample, the probe's included.
    const bool measured =
        run(form, driver, options) && !onsets["jump"].empty() && !onsets["shot"].empty();
    if (!measured)
        std::fprintf(stderr, "ropi_bench: some figure got no sample\n");
    return measured ? 0 : 1;
}
