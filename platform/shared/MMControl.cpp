#include "platform/MMControl.h"

#include "platform/shared/AudioDevice.h"
#include "platform/shared/Backend.h"

#include <algorithm>

namespace platform {

MMControl::MMControl() { audio::acquire(); }

MMControl::~MMControl()
{
    close();
    audio::release();
}

bool MMControl::hasAudioDevice() { return audio::isOpen(); }

void MMControl::setCommand(std::u16string_view command)
{
    const auto is = [command](std::u16string_view name) {
        return std::equal(command.begin(), command.end(), name.begin(), name.end(),
                          [](char16_t a, char16_t b) {
                              const auto lower = [](char16_t c) {
                                  return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
                              };
                              return lower(a) == lower(b);
                          });
    };
    if (is(u"Open"))
        open();
    else if (is(u"Play"))
        play();
    else if (is(u"Stop"))
        stop();
    else if (is(u"Close"))
        close();
}

int MMControl::Mode() const
{
    if (!sound_)
        return kModeNotOpen;
    const auto at = audio::now();
    // Another cue started since ours (by another control) has cut ours off.
    if (!playing_ || at >= playDeadline_ || audio::starts() != startsWithOurs_)
        return kModeStopped;
    // A cue cannot have been heard before its own length has passed since it started: a
    // device starved of the processor may drop samples and then report the cue played.
    if (at < wholeLengthAt_)
        return kModePlay;
    const bool sounding = audio::endings() == endingsBeforePlay_ && audio::isSounding(sound_);
    return sounding ? kModePlay : kModeStopped;
}

void MMControl::waitForModeChange(std::chrono::milliseconds timeout) const
{
    if (Mode() != kModePlay)
        return;
    // Never past the cue's deadline, where Mode() stops reading kModePlay whatever the device
    // says; and a "forever" timeout must not overflow the clock.
    const auto limit = std::min(timeout, std::chrono::milliseconds(std::chrono::hours(24)));
    const auto until = std::min(audio::now() + limit, playDeadline_);
    audio::waitForEnding(endingsBeforePlay_, until);
    // An ending reported early holds on until the cue's length has passed.
    if (audio::starts() == startsWithOurs_)
        audio::sleepUntil(std::min(until, wholeLengthAt_));
}

void MMControl::open()
{
    close();
    if (!audio::isOpen())
        return;
    const media::FileContents file = Backend::readFile(fileName_, media::kMaxCueFileBytes);
    if (file.check != media::FileCheck::Read)
        return;
    if (const auto format = media::playableWav(file.bytes, audio::bytesPerSecond()))
        sound_ = audio::load(*format, file.bytes);
}

void MMControl::play()
{
    if (!sound_)
        return;
    const auto started = audio::now();
    const auto endings = audio::play(sound_);
    playing_ = endings.has_value();
    endingsBeforePlay_ = endings.value_or(0);
    startsWithOurs_ = audio::starts();
    wholeLengthAt_ = started + audio::length(sound_);
    playDeadline_ = wholeLengthAt_ + kEndMargin;
}

void MMControl::stop()
{
    if (!sound_)
        return;
    audio::halt(sound_);
    playing_ = false;
}

void MMControl::close()
{
    if (!sound_)
        return;
    // The device must be done with the samples before they are freed.
    audio::halt(sound_);
    audio::unload(sound_);
    sound_ = nullptr;
    playing_ = false;
}

} // namespace platform
