#include "platform/MMControl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <SDL_mixer.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <numbers>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::MMControl;
using namespace std::chrono_literals;

namespace {

constexpr int kSampleRate = 48000;
constexpr int kBytesPerFrame = 4; // 16-bit stereo
constexpr int kWavHeaderBytes = 44;
constexpr qint64 kShortMs = 150;
constexpr qint64 kLongMs = 400;

const QString kShort = QStringLiteral("short.wav");
const QString kLong = QStringLiteral("long.wav");
const QString kKatakana = QString::fromUtf16(u"ピンポン.wav");

void appendLE(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

QByteArray wavHeader(quint32 dataBytes)
{
    QByteArray header;
    header.append("RIFF");
    appendLE(header, 36 + dataBytes, 4);
    header.append("WAVEfmt ");
    appendLE(header, 16, 4);
    appendLE(header, 1, 2); // PCM
    appendLE(header, 2, 2);
    appendLE(header, kSampleRate, 4);
    appendLE(header, kSampleRate * kBytesPerFrame, 4);
    appendLE(header, kBytesPerFrame, 2);
    appendLE(header, 16, 2);
    header.append("data");
    appendLE(header, dataBytes, 4);
    return header;
}

QByteArray sineWav(qint64 milliseconds)
{
    const int frames = int(kSampleRate * milliseconds / 1000);
    QByteArray wav = wavHeader(quint32(frames * kBytesPerFrame));
    for (int i = 0; i < frames; ++i) {
        const double phase = 2 * std::numbers::pi * 880 * i / kSampleRate;
        const auto sample = quint32(quint16(qint16(8000 * std::sin(phase))));
        appendLE(wav, sample, 2);
        appendLE(wav, sample, 2);
    }
    return wav;
}

// Takes the name as raw bytes, so the test decides exactly what lands in the file system
// rather than trusting the same conversion the code under test uses.
bool writeBytes(const QByteArray &path, const QByteArray &content)
{
    std::FILE *file = std::fopen(path.constData(), "wb");
    if (!file)
        return false;
    const bool written =
        std::fwrite(content.constData(), 1, size_t(content.size()), file) == size_t(content.size());
    return std::fclose(file) == 0 && written;
}

// A silent WAV whose header matches its size, so only the size can make it unplayable. The
// samples are a hole in a sparse file, which keeps the test fast.
bool writeSilentWavOfSize(const QString &name, qint64 fileBytes)
{
    const auto dataBytes = quint32(fileBytes - kWavHeaderBytes);
    return writeBytes(name.toUtf8(), wavHeader(dataBytes)) && QFile(name).resize(fileBytes);
}

// What the game does for every cue.
void startCue(MMControl &control, const QString &fileName)
{
    control.setCommand(QStringLiteral("Stop"));
    control.setCommand(QStringLiteral("Close"));
    control.setFileName(fileName);
    control.setCommand(QStringLiteral("Open"));
    control.setCommand(QStringLiteral("Play"));
}

// Waits the way the game does. The long timeout per wait means a wait that is never woken
// shows up as far too long, not as a busy loop that happens to end on time.
void waitUntilSilent(const MMControl &control)
{
    QElapsedTimer deadline;
    deadline.start();
    while (control.Mode() == MMControl::kModePlay && deadline.elapsed() < 5000)
        control.waitForModeChange(3s);
}

qint64 millisecondsInOneWait(const MMControl &control)
{
    QElapsedTimer timer;
    timer.start();
    control.waitForModeChange(2s);
    return timer.elapsed();
}

double processCpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool roughly(qint64 measuredMs, qint64 expectedMs)
{
    return measuredMs >= expectedMs / 2 && measuredMs <= expectedMs * 2;
}

// Should Open wrongly open the FIFO and block waiting for a writer, this writer turns up after
// two seconds and leaves at once, so the test fails on the clock instead of hanging.
class FifoRescuer {
public:
    explicit FifoRescuer(const QByteArray &path)
        : thread_([this, path] {
              std::unique_lock lock(mutex_);
              while (!cond_.wait_for(lock, 2s, [this] { return done_; })) {
                  const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
                  if (fd >= 0)
                      ::close(fd);
              }
          })
    {
    }

    ~FifoRescuer()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        cond_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace

class TestMMControl : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void nothingOpenIsQuiet();
    void commandsIgnoreCaseAndUnknownWords();
    void cuePlaysToItsEndAndStaysOpen_data();
    void cuePlaysToItsEndAndStaysOpen();
    void stopCutsTheCueAndCloseReleasesIt();
    void newCueCutsTheOldOneAndStartsFromItsBeginning();

    void unplayableFilesAreSilent_data();
    void unplayableFilesAreSilent();
    void fileOfTheLargestAllowedSizePlays();
    void unicodeNameReachesTheFileSystemUnchanged();

    void waitSleepsAndWakesAtTheEnd();
    void waitGivesUpAtTheTimeout();

    void instancesShareOneDevice();
    void withoutAudioDeviceEverythingIsSilent();

private:
    QTemporaryDir dir_;
    QString previousDir_;
};

void TestMMControl::initTestCase()
{
    // Runs outside ctest too, without a sound card and without making noise.
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");

    QVERIFY(dir_.isValid());
    previousDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));

    QVERIFY(writeBytes(kShort.toUtf8(), sineWav(kShortMs)));
    QVERIFY(writeBytes(kLong.toUtf8(), sineWav(kLongMs)));
    QVERIFY(writeBytes(kKatakana.toUtf8(), sineWav(kShortMs)));
    // Names a careless conversion could turn the katakana into. They hold text, so opening
    // one of them instead is silent.
    QVERIFY(writeBytes(kKatakana.normalized(QString::NormalizationForm_D).toUtf8(), "decoy"));
    QVERIFY(writeBytes(kKatakana.toLatin1(), "decoy"));

    QVERIFY(writeBytes("empty.wav", {}));
    QVERIFY(QDir().mkdir(QStringLiteral("folder.wav")));
    QCOMPARE(::mkfifo("fifo.wav", 0600), 0);
    QVERIFY(writeBytes("text.wav", "This is not a sound, only a text file with a .wav name.\n"));
    QVERIFY(writeSilentWavOfSize(QStringLiteral("huge.wav"), MMControl::kMaxFileBytes + 4));
    QVERIFY(writeSilentWavOfSize(QStringLiteral("largest.wav"), MMControl::kMaxFileBytes));
    QVERIFY(writeBytes("overclaiming.wav", wavHeader(0xffffff00u) + QByteArray(4000, '\x10')));
    // Within the size limit, but 8 kHz mono 8-bit: 24 times that size at the device's format.
    QByteArray lowRate = wavHeader(quint32(MMControl::kMaxFileBytes - kWavHeaderBytes));
    lowRate.replace(22, 14,
                    QByteArray::fromHex("0100401f0000401f00000100"
                                        "0800"));
    QVERIFY(writeBytes("lowrate.wav", lowRate) &&
            QFile("lowrate.wav").resize(MMControl::kMaxFileBytes));
}

void TestMMControl::cleanupTestCase() { QDir::setCurrent(previousDir_); }

void TestMMControl::nothingOpenIsQuiet()
{
    MMControl control;
    QVERIFY(MMControl::hasAudioDevice());
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);

    control.setCommand(QStringLiteral("Stop"));
    control.setCommand(QStringLiteral("Close"));
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QVERIFY(millisecondsInOneWait(control) < 100);
}

void TestMMControl::commandsIgnoreCaseAndUnknownWords()
{
    MMControl control;
    control.setFileName(kLong);
    control.setCommand(QStringLiteral("oPEN"));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    control.setCommand(QStringLiteral("play"));
    QCOMPARE(control.Mode(), MMControl::kModePlay);

    for (const QString &word : {QStringLiteral("Pause"), QStringLiteral("Seek"), QString(),
                                QStringLiteral("Stop "), QStringLiteral("Closed")}) {
        control.setCommand(word);
        QVERIFY2(control.Mode() == MMControl::kModePlay, qPrintable(word));
    }

    control.setCommand(QStringLiteral("STOP"));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    control.setCommand(QStringLiteral("cLoSe"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
}

void TestMMControl::cuePlaysToItsEndAndStaysOpen_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<qint64>("lengthMs");
    QTest::newRow("short") << kShort << kShortMs;
    QTest::newRow("long") << kLong << kLongMs;
}

void TestMMControl::cuePlaysToItsEndAndStaysOpen()
{
    QFETCH(QString, fileName);
    QFETCH(qint64, lengthMs);

    MMControl control;
    QElapsedTimer timer;
    timer.start();
    startCue(control, fileName);
    QCOMPARE(control.Mode(), MMControl::kModePlay);

    waitUntilSilent(control);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(roughly(elapsed, lengthMs),
             qPrintable(QStringLiteral("ended after %1 ms").arg(elapsed)));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);

    QTest::qSleep(100);
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    control.setCommand(QStringLiteral("Close"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
}

void TestMMControl::stopCutsTheCueAndCloseReleasesIt()
{
    MMControl control;
    startCue(control, kLong);
    QTest::qSleep(100);
    QCOMPARE(control.Mode(), MMControl::kModePlay);

    control.setCommand(QStringLiteral("Stop"));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    QCOMPARE(Mix_Playing(-1), 0); // silent for real, not just reported so
    QVERIFY(millisecondsInOneWait(control) < 100);
    QTest::qSleep(50);
    QCOMPARE(control.Mode(), MMControl::kModeStopped);

    // Stopped still holds the file: Play needs no new Open.
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(control.Mode(), MMControl::kModePlay);

    control.setCommand(QStringLiteral("Close"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QCOMPARE(Mix_Playing(-1), 0);
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QCOMPARE(Mix_Playing(-1), 0);
}

void TestMMControl::newCueCutsTheOldOneAndStartsFromItsBeginning()
{
    MMControl control;
    startCue(control, kLong);
    QTest::qSleep(300);
    QCOMPARE(control.Mode(), MMControl::kModePlay);

    // Open without Stop or Close first; had the old cue carried on, it would end within
    // about 100 ms instead of a whole cue length.
    QElapsedTimer timer;
    timer.start();
    control.setFileName(kLong);
    control.setCommand(QStringLiteral("Open"));
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    QCOMPARE(Mix_Playing(-1), 1);
    QTest::qSleep(300);
    QCOMPARE(control.Mode(), MMControl::kModePlay);

    // Play on a sounding cue starts it over as well.
    timer.restart();
    control.setCommand(QStringLiteral("Play"));
    waitUntilSilent(control);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(roughly(elapsed, kLongMs),
             qPrintable(QStringLiteral("ended after %1 ms").arg(elapsed)));
}

void TestMMControl::unplayableFilesAreSilent_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("missing") << QStringLiteral("missing.wav");
    QTest::newRow("empty") << QStringLiteral("empty.wav");
    QTest::newRow("directory") << QStringLiteral("folder.wav");
    QTest::newRow("fifo") << QStringLiteral("fifo.wav");
    QTest::newRow("text") << QStringLiteral("text.wav");
    QTest::newRow("too large") << QStringLiteral("huge.wav");
    QTest::newRow("claims more than it holds") << QStringLiteral("overclaiming.wav");
    QTest::newRow("swells when converted") << QStringLiteral("lowrate.wav");
    QTest::newRow("no name") << QString();
}

void TestMMControl::unplayableFilesAreSilent()
{
    QFETCH(QString, fileName);
    const FifoRescuer rescuer(fileName.toUtf8());

    MMControl control;
    // A cue already sounding must be gone too, since Open closes what was open.
    startCue(control, kLong);
    QCOMPARE(control.Mode(), MMControl::kModePlay);

    QElapsedTimer timer;
    timer.start();
    control.setFileName(fileName);
    control.setCommand(QStringLiteral("Open"));
    QVERIFY2(timer.elapsed() < 1000, "Open waited on the file");
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QCOMPARE(Mix_Playing(-1), 0);

    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QVERIFY(millisecondsInOneWait(control) < 100);

    // And the same through the game's full sequence.
    timer.restart();
    startCue(control, fileName);
    QVERIFY2(timer.elapsed() < 1000, "Open waited on the file");
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QVERIFY(millisecondsInOneWait(control) < 100);
}

void TestMMControl::fileOfTheLargestAllowedSizePlays()
{
    MMControl control;
    startCue(control, QStringLiteral("largest.wav"));
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    control.setCommand(QStringLiteral("Close"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
}

void TestMMControl::unicodeNameReachesTheFileSystemUnchanged()
{
    const QString decomposed = kKatakana.normalized(QString::NormalizationForm_D);
    QVERIFY(decomposed != kKatakana);

    MMControl control;
    QElapsedTimer timer;
    timer.start();
    startCue(control, kKatakana);
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    waitUntilSilent(control);
    QVERIFY(roughly(timer.elapsed(), kShortMs));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);

    // The decomposed spelling names the decoy, which must not be normalised into the real cue.
    startCue(control, decomposed);
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
}

void TestMMControl::waitSleepsAndWakesAtTheEnd()
{
    MMControl control;
    startCue(control, kLong);
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    waitUntilSilent(control);
    const qint64 wallMs = timer.elapsed();
    const double cpuMs = (processCpuSeconds() - cpuBefore) * 1000;

    qInfo("waiting for a %lld ms cue took %lld ms and %.1f ms of CPU", kLongMs, wallMs, cpuMs);
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    QVERIFY(roughly(wallMs, kLongMs));
    QVERIFY2(cpuMs < 0.3 * double(wallMs), "waiting kept a processor busy");
}

void TestMMControl::waitGivesUpAtTheTimeout()
{
    MMControl control;
    startCue(control, kLong);
    QElapsedTimer timer;
    timer.start();
    control.waitForModeChange(60ms);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 50 && elapsed < 250, qPrintable(QString::number(elapsed)));
    QCOMPARE(control.Mode(), MMControl::kModePlay);
}

void TestMMControl::instancesShareOneDevice()
{
    {
        MMControl first;
        startCue(first, kLong);
        QCOMPARE(first.Mode(), MMControl::kModePlay);
        {
            MMControl second;
            QVERIFY(MMControl::hasAudioDevice());
            startCue(second, kShort);
            QCOMPARE(second.Mode(), MMControl::kModePlay);
            QVERIFY(first.Mode() != MMControl::kModePlay); // one cue at a time
            QCOMPARE(Mix_Playing(-1), 1);
            waitUntilSilent(second);
            QCOMPARE(second.Mode(), MMControl::kModeStopped);
        }
        // The second one leaving must not have closed the device under the first.
        QElapsedTimer timer;
        timer.start();
        startCue(first, kShort);
        QCOMPARE(first.Mode(), MMControl::kModePlay);
        waitUntilSilent(first);
        QVERIFY(roughly(timer.elapsed(), kShortMs));
    }
    // With every instance gone the device reopens for the next one.
    MMControl third;
    QVERIFY(MMControl::hasAudioDevice());
    startCue(third, kShort);
    QCOMPARE(third.Mode(), MMControl::kModePlay);
    waitUntilSilent(third);
    QCOMPARE(third.Mode(), MMControl::kModeStopped);
}

void TestMMControl::withoutAudioDeviceEverythingIsSilent()
{
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    const auto restoreDriver = qScopeGuard([&driver] { qputenv("SDL_AUDIODRIVER", driver); });
    qputenv("SDL_AUDIODRIVER", "ropi-no-such-driver");
    {
        MMControl control;
        QVERIFY(!MMControl::hasAudioDevice());
        QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
        startCue(control, kLong);
        QVERIFY(control.Mode() != MMControl::kModePlay);
        QVERIFY(millisecondsInOneWait(control) < 100);
        control.setCommand(QStringLiteral("Stop"));
        control.setCommand(QStringLiteral("Close"));
        QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    }
    // A failed attempt is not held against a later one that can open the device.
    qputenv("SDL_AUDIODRIVER", driver);
    MMControl control;
    QVERIFY(MMControl::hasAudioDevice());
    startCue(control, kShort);
    QCOMPARE(control.Mode(), MMControl::kModePlay);
}

QTEST_GUILESS_MAIN(TestMMControl)
#include "tst_mmcontrol.moc"
