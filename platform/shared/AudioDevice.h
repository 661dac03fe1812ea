#pragma once

// The run's one audio device, which plays one sound at a time. MMControl drives
// it; nothing else in the game does. Its books are kept once, in AudioDevice.cpp,
// over the backend's sound driver (platform/shared/Backend.h).

#include "platform/shared/MediaFiles.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace platform::audio {

using Clock = std::chrono::steady_clock;

// A cue decoded for the device, owned by the backend's driver.
struct Sound;

// The device is opened by the first acquire() and closed by the last release();
// isOpen() says whether the latest opening succeeded. Without a device every
// sound is silent.
void acquire();
void release();
bool isOpen();

// Bytes per second of sound in the device's own format; 0 while it is not open.
double bytesPerSecond();

// The cue in a WAV file's bytes, whose format has been checked, ready to play;
// nullptr when the device cannot take it.
Sound *load(const media::WavFormat &format, const media::Bytes &wav);
void unload(Sound *sound);
Clock::duration length(const Sound *sound);

// Cuts off whatever sounds and starts the sound from its beginning. Returns the
// count of endings reached before it started, or nothing when it did not start.
std::optional<std::uint64_t> play(Sound *sound);
// Stops the sound if it is the one on the device; another's is not ours to stop.
void halt(Sound *sound);
// True while the device plays this sound.
bool isSounding(const Sound *sound);

// How many sounds have ended since the device was opened, whether they played
// to their end or were cut off.
std::uint64_t endings();
// How many sounds have started: a sound is still the device's own while no other started.
std::uint64_t starts();
// Sleeps until the count of endings moves past the one given, or until the deadline.
void waitForEnding(std::uint64_t endingsBefore, Clock::time_point deadline);
// Sleeps until the time, as the waits for an ending sleep.
void sleepUntil(Clock::time_point time);

// The clock by which a cue's deadline is reckoned.
Clock::time_point now();

} // namespace platform::audio
