#include "platform/web/EventOrder.h"
#include "platform/web/WebBackend.h"
#include "platform/web/WebKeys.h"

#include <emscripten/emscripten.h>

#include <functional>
#include <map>

// The game's event loop. The page only queues what happens (page/events.js);
// this loop takes it in order, and the timers' ticks when they fall due, and
// sleeps in between. So a handler of the game never runs inside another, and
// while the game holds a cue or waits for a file, keys pile up in order and a
// tick that fell due comes once afterwards, as on the desktop.
namespace platform::web {

namespace {

struct Targets {
    std::map<int, CommandButton *> buttons;
    std::map<int, MenuItem *> menuEntries;
    Form::Impl *form = nullptr;
    int closedBoxes = 0;
    int lastBoxAnswer = 0;
};

Targets &targets()
{
    static Targets all;
    return all;
}

// `time`: when the event happened, on the page's clock.
void deliver(const std::int32_t *event, const char *code, double time)
{
    switch (event[0]) {
    case kKeyDown:
        if (Form::Impl *form = targets().form) {
            const std::int16_t keyCode = virtualKeyCode(event[2], code);
            if (keyCode != 0)
                Backend::keyDown(form->form, keyCode, heldModifiers(event[3]),
                                 Backend::stampedAgo(now() - time));
        }
        break;
    case kClick:
        if (const auto button = targets().buttons.find(event[1]);
            button != targets().buttons.end() && button->second->Enabled())
            button->second->Click.raise();
        break;
    case kMenu:
        if (const auto entry = targets().menuEntries.find(event[1]);
            entry != targets().menuEntries.end())
            entry->second->Click.raise();
        break;
    case kBoxClosed:
        ++targets().closedBoxes;
        targets().lastBoxAnswer = event[1];
        break;
    case kResize:
        if (Form::Impl *form = targets().form)
            Backend::screenResized(form->form);
        break;
    default: break;
    }
}

} // namespace

double now() { return emscripten_get_now(); }

void addButton(int element, CommandButton &button) { targets().buttons[element] = &button; }
void addMenuEntry(int entry, MenuItem &item) { targets().menuEntries[entry] = &item; }
void removeControl(int element) { targets().buttons.erase(element); }
void removeMenuEntry(int entry) { targets().menuEntries.erase(entry); }
void setKeyTarget(Form::Impl *form) { targets().form = form; }

int closedBoxes() { return targets().closedBoxes; }
int lastBoxAnswer() { return targets().lastBoxAnswer; }

void runEventsUntil(const std::function<bool()> &done, bool modal)
{
    while (!done()) {
        const double at = now();
        Timer::Impl *timer = firstDueTimer();
        const double eventTime = ropi_event_next_time(modal);
        const Step step = nextStep(at, timer ? std::optional(timer->schedule.due()) : std::nullopt,
                                   eventTime >= 0 ? std::optional(eventTime) : std::nullopt);
        if (step.kind == Step::Tick) {
            if (timer->schedule.take(at))
                timer->timer.Tick.raise();
        } else if (step.kind == Step::Event) {
            std::int32_t event[4] = {};
            char code[32] = {};
            if (ropi_event_take(modal, event, code, sizeof code))
                deliver(event, code, eventTime);
        } else {
            ropi_sleep(step.sleepMs, 1);
        }
    }
}

} // namespace platform::web
