#include "FakeBackend.h"

#include "platform/shared/Backend.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

struct platform::audio::Sound {
    platform::audio::Clock::duration length;
};
struct platform::Container::Native {};
struct platform::Control::Impl {};
struct platform::Form::Impl {};
struct platform::MenuItem::Impl {};
struct platform::Timer::Impl {
    bool ticking = false;
};
struct platform::Picture::Impl {};

namespace {

using platform::audio::Clock;

struct Driver {
    fakebackend::Settings settings;
    int opens = 0, closes = 0, loaded = 0;
    const platform::audio::Sound *playing = nullptr;
    Clock::time_point endsAt = Clock::time_point::max();
} driver;

} // namespace

namespace fakebackend {

void reset(Settings settings) { driver = Driver{settings}; }

int opens() { return driver.opens; }
int closes() { return driver.closes; }
int loadedSounds() { return driver.loaded; }

void endSound()
{
    driver.endsAt = Clock::time_point::max();
    if (std::exchange(driver.playing, nullptr))
        platform::Backend::soundEnded();
}

void endSoundAfter(std::chrono::milliseconds delay) { driver.endsAt = Clock::now() + delay; }

Screen &screen()
{
    static Screen shown;
    return shown;
}

} // namespace fakebackend

namespace platform {

int Backend::runEventLoop(int, char **, const std::function<std::unique_ptr<Form>()> &startup)
{
    startup();
    return 0;
}
void Backend::endProcess(int exitStatus) { std::exit(exitStatus); }

void Backend::make(Form &form, const std::u16string &, Color)
{
    form.impl_.reset(new Form::Impl);
    form.native_.reset(new Container::Native);
}
void Backend::make(Frame &frame, Container &, Color)
{
    frame.impl_.reset(new Control::Impl);
    frame.native_.reset(new Container::Native);
}
void Backend::make(Label &label, Container &, Color, double)
{
    label.impl_.reset(new Control::Impl);
    fakebackend::screen().labels.push_back(&label);
}
void Backend::make(CommandButton &button, Container &, Color, double, bool)
{
    button.impl_.reset(new Control::Impl);
}
void Backend::make(Image &image, Container &) { image.impl_.reset(new Control::Impl); }
void Backend::make(MenuItem &item, Form &) { item.impl_.reset(new MenuItem::Impl); }
void Backend::make(MenuItem &item, MenuItem &) { item.impl_.reset(new MenuItem::Impl); }
void Backend::make(Timer &timer, Form &) { timer.impl_.reset(new Timer::Impl); }
void Backend::end(Container::Native *native) { delete native; }
void Backend::end(Control::Impl *impl)
{
    std::erase_if(fakebackend::screen().labels,
                  [impl](const Label *label) { return label->impl_.get() == impl; });
    delete impl;
}
void Backend::end(Form::Impl *impl) { delete impl; }
void Backend::end(MenuItem::Impl *impl) { delete impl; }
void Backend::end(Timer::Impl *impl) { delete impl; }

void Backend::show(Form &) {}
void Backend::showGeometry(Form &) {}
void Backend::showGeometry(Control &, const PixelRect &) {}
void Backend::showVisible(Control &) {}
void Backend::bringToFront(Control &) {}
void Backend::sendToBack(Control &) {}
void Backend::showCaption(Label &) {}
void Backend::showCaption(CommandButton &) {}
void Backend::showEnabled(CommandButton &) {}
void Backend::showPicture(Image &) {}
std::shared_ptr<const Picture::Impl> Backend::decodeGif(const media::Bytes &)
{
    return std::make_shared<const Picture::Impl>();
}
void Backend::showChecked(MenuItem &) {}
void Backend::showEnabled(MenuItem &) {}

void Backend::startTicking(Timer &timer, int) { impl(timer).ticking = true; }
void Backend::stopTicking(Timer &timer) { impl(timer).ticking = false; }
bool Backend::isTicking(const Timer &timer) { return impl(timer).ticking; }

int Backend::screenWidthInPixels() { return 1024; }
int Backend::screenHeightInPixels() { return 768; }
double Backend::screenDotsPerInch() { return 96; }

int Backend::showMessageBox(const std::u16string &text, int style, const std::u16string &title)
{
    auto &shown = fakebackend::screen();
    shown.boxes.push_back({text, title, style});
    if (shown.answers.empty())
        return 1;
    const int answer = shown.answers.front();
    shown.answers.pop_front();
    return answer;
}
void Backend::clearClipboard() { fakebackend::screen().clipboard.clear(); }
void Backend::setClipboardText(const std::u16string &text)
{
    fakebackend::screen().clipboard = text;
}

void Backend::saveSetting(const std::u16string &appName, const std::u16string &section,
                          const std::u16string &key, const std::u16string &value)
{
    if (fakebackend::screen().settingsWritable)
        fakebackend::screen().settings[appName + u'/' + section + u'/' + key] = value;
}
std::optional<std::u16string> Backend::loadSetting(const std::u16string &appName,
                                                   const std::u16string &section,
                                                   const std::u16string &key)
{
    const auto &kept = fakebackend::screen().settings;
    const auto found = kept.find(appName + u'/' + section + u'/' + key);
    return found == kept.end() ? std::nullopt : std::optional(found->second);
}

bool Backend::openAudio()
{
    ++driver.opens;
    return driver.settings.opens;
}

void Backend::closeAudio() { ++driver.closes; }

double Backend::audioBytesPerSecond() { return 48000 * 4; }

audio::Sound *Backend::loadSound(const media::WavFormat &format, const media::Bytes &)
{
    ++driver.loaded;
    return new audio::Sound{std::chrono::duration_cast<audio::Clock::duration>(
        std::chrono::duration<double>(format.seconds()))};
}

void Backend::unloadSound(audio::Sound *sound)
{
    --driver.loaded;
    delete sound;
}

audio::Clock::duration Backend::soundLength(const audio::Sound *sound) { return sound->length; }

bool Backend::startSound(audio::Sound *sound)
{
    driver.playing = sound;
    if (driver.settings.endsAtOnce)
        fakebackend::endSound();
    return true;
}

void Backend::stopSound()
{
    const audio::Sound *cutOff = std::exchange(driver.playing, nullptr);
    if (cutOff && driver.settings.reportsCutOffs)
        soundEnded();
}

bool Backend::isSoundPlaying(const audio::Sound *sound) { return driver.playing == sound; }

// The ending the test asked for comes while the books sleep.
void Backend::sleepForSound(std::condition_variable &, std::unique_lock<std::mutex> &books,
                            audio::Clock::time_point deadline)
{
    books.unlock();
    std::this_thread::sleep_until(std::min(deadline, driver.endsAt));
    if (Clock::now() >= driver.endsAt)
        fakebackend::endSound();
    books.lock();
}

media::FileContents Backend::readFile(const std::u16string &fileName, std::uint64_t maxBytes)
{
    const std::filesystem::path path(fileName);
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return {media::FileCheck::Missing, {}};
    const auto size = std::filesystem::file_size(path, error);
    if (!std::filesystem::is_regular_file(path, error) || error || size == 0 || size > maxBytes)
        return {media::FileCheck::NotAFile, {}};
    std::ifstream file(path, std::ios::binary);
    return {media::FileCheck::Read,
            media::Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>())};
}

} // namespace platform
