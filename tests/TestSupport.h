#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class Form1;
class QWidget;

namespace testing {

// The game's seven cue files: the five cat cues, then the hit and the miss.
inline const QStringList kCueFiles{QStringLiteral("Cat0.wav"), QStringLiteral("Cat1.wav"),
                                   QStringLiteral("Cat2.wav"), QStringLiteral("Cat3.wav"),
                                   QStringLiteral("Cat4.wav"), QStringLiteral("ピンポン.wav"),
                                   QStringLiteral("ブー.wav")};

// Resident memory of this process in KiB, as the kernel counts it.
qint64 residentKiB();

// AddressSanitizer keeps freed memory aside for a while, so resident memory says little
// there; its leak check and the tests' hold times do the job instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeaningful = false;
#elif defined(__has_feature)
constexpr bool kMemoryIsMeaningful = !__has_feature(address_sanitizer);
#else
constexpr bool kMemoryIsMeaningful = true;
#endif

// The 44-byte header of a PCM WAV holding dataBytes of samples.
QByteArray wavHeader(quint32 rate, quint16 channels, quint16 bits, quint32 dataBytes);
// A 16-bit stereo 48 kHz WAV tone of the given length.
QByteArray toneWav(int milliseconds, double frequency = 440.0);
void writeTone(const QString &path, int milliseconds, double frequency = 440.0);

// A temporary folder that is the current directory while it lives, holding the
// game's picture and its cues. Short cues keep tests that shoot fast; the
// game's own assets are used when asked for.
class GameFolder {
public:
    enum Cues { ShortCues, GameAssets };
    explicit GameFolder(Cues cues = ShortCues, int shotCueMilliseconds = 30);
    ~GameFolder();
    QString path(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// A loaded and shown game window, active, so that keys reach it the way they
// reach it on a desktop.
std::unique_ptr<Form1> showGame();

// Presses and releases a key on the game's window, routed by Qt like a real key.
void press(Form1 &form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Closes the next modal box that opens, after leaving it open for keepOpenMs,
// handing its title and text to the caller.
void closeNextModalBox(QString *title, QString *text, int keepOpenMs = 0);

} // namespace testing
