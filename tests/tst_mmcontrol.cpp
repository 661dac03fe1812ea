// The sound control on SDL's dummy driver, which plays in real time and silently. Files the
// game should never play are tried through the game itself in tst_badfiles.
#include "platform/MMControl.h"

#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <SDL_mixer.h>

#include <chrono>

#include <sys/resource.h>

using platform::MMControl;
using namespace std::chrono_literals;

namespace {

constexpr int kShortMs = 150;
constexpr int kLongMs = 400;
const QString kShort = QStringLiteral("short.wav");
const QString kLong = QStringLiteral("long.wav");
const QString kKatakana = QStringLiteral("ピンポン.wav");

// What the game does for every cue.
void startCue(MMControl &control, const QString &fileName)
{
    for (const char *command : {"Stop", "Close"})
        control.setCommand(QLatin1String(command));
    control.setFileName(fileName);
    control.setCommand(QStringLiteral("Open"));
    control.setCommand(QStringLiteral("Play"));
}

// Waits the way the game does, but with long single waits, so that a wait that is never
// woken shows up as far too long instead of as a busy loop that happens to end on time.
qint64 waitUntilSilent(const MMControl &control)
{
    QElapsedTimer clock;
    clock.start();
    while (control.Mode() == MMControl::kModePlay && clock.elapsed() < 5000)
        control.waitForModeChange(3s);
    return clock.elapsed();
}

bool roughly(qint64 measuredMs, qint64 expectedMs)
{
    return measuredMs >= expectedMs / 2 && measuredMs <= expectedMs * 2;
}

double processCpuMs()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

} // namespace

class MMControlTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nothingOpenIsQuiet();
    void cuePlaysToItsEndAndStaysOpen_data();
    void cuePlaysToItsEndAndStaysOpen();
    void stopCutsTheCueAndCloseReleasesIt();
    void newCueCutsTheOldOneAndStartsFromItsBeginning();
    void unicodeNameReachesTheFileSystemUnchanged();
    void waitSleepsAndWakesAtTheEnd();
    void instancesShareOneDevice();

private:
    QTemporaryDir dir_;
};

void MMControlTest::initTestCase()
{
    QVERIFY(QDir::setCurrent(dir_.path()));
    testing::writeTone(kShort, kShortMs);
    testing::writeTone(kLong, kLongMs);
    testing::writeTone(kKatakana, kShortMs);
    // What a careless conversion could turn the name into holds text, so it would be silent.
    QFile decoy(kKatakana.normalized(QString::NormalizationForm_D));
    QVERIFY(decoy.open(QIODevice::WriteOnly) && decoy.write("decoy") == 5);
}

void MMControlTest::nothingOpenIsQuiet()
{
    MMControl control;
    QVERIFY(MMControl::hasAudioDevice());
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    for (const char *command : {"Stop", "Close", "Play", "Pause", ""})
        control.setCommand(QLatin1String(command));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QVERIFY(waitUntilSilent(control) < 100);
}

void MMControlTest::cuePlaysToItsEndAndStaysOpen_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("lengthMs");
    QTest::newRow("short") << kShort << kShortMs;
    QTest::newRow("long") << kLong << kLongMs;
}

void MMControlTest::cuePlaysToItsEndAndStaysOpen()
{
    QFETCH(QString, fileName);
    QFETCH(int, lengthMs);
    MMControl control;
    startCue(control, fileName);
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    const qint64 elapsed = waitUntilSilent(control);
    QVERIFY2(roughly(elapsed, lengthMs), qPrintable(QString::number(elapsed)));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    QTest::qSleep(50);
    QCOMPARE(control.Mode(), MMControl::kModeStopped); // open until closed
    control.setCommand(QStringLiteral("play"));        // commands ignore case
    QCOMPARE(control.Mode(), MMControl::kModePlay);
}

void MMControlTest::stopCutsTheCueAndCloseReleasesIt()
{
    MMControl control;
    startCue(control, kLong);
    QTest::qSleep(100);
    control.setCommand(QStringLiteral("Stop"));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    QCOMPARE(Mix_Playing(-1), 0); // silent for real, not just reported so
    QVERIFY(waitUntilSilent(control) < 100);

    control.setCommand(QStringLiteral("Play")); // stopped still holds the file
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    control.setCommand(QStringLiteral("Close"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
    QCOMPARE(Mix_Playing(-1), 0);
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(Mix_Playing(-1), 0);
}

void MMControlTest::newCueCutsTheOldOneAndStartsFromItsBeginning()
{
    MMControl control;
    startCue(control, kLong);
    QTest::qSleep(300);
    // Open and Play without Stop or Close: had the old cue carried on, it would end within
    // about 100 ms instead of a whole cue length.
    QElapsedTimer clock;
    clock.start();
    control.setCommand(QStringLiteral("Open"));
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(Mix_Playing(-1), 1);
    QTest::qSleep(250);
    control.setCommand(QStringLiteral("Play")); // Play on a sounding cue starts it over too
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    clock.restart();
    QVERIFY(roughly(waitUntilSilent(control), kLongMs));
}

void MMControlTest::unicodeNameReachesTheFileSystemUnchanged()
{
    MMControl control;
    startCue(control, kKatakana);
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    QVERIFY(roughly(waitUntilSilent(control), kShortMs));
    startCue(control, kKatakana.normalized(QString::NormalizationForm_D));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
}

void MMControlTest::waitSleepsAndWakesAtTheEnd()
{
    MMControl control;
    startCue(control, kLong);
    const double cpuBefore = processCpuMs();
    const qint64 wallMs = waitUntilSilent(control);
    const double cpuMs = processCpuMs() - cpuBefore;
    QVERIFY(roughly(wallMs, kLongMs));
    QVERIFY2(cpuMs < 0.3 * double(wallMs), "waiting kept a processor busy");

    startCue(control, kLong);
    QElapsedTimer clock;
    clock.start();
    control.waitForModeChange(60ms); // gives up at its timeout while the cue goes on
    QVERIFY2(clock.elapsed() >= 50 && clock.elapsed() < 250,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(control.Mode(), MMControl::kModePlay);
}

void MMControlTest::instancesShareOneDevice()
{
    {
        MMControl first;
        startCue(first, kLong);
        {
            MMControl second;
            startCue(second, kShort);
            QVERIFY(first.Mode() != MMControl::kModePlay); // one cue at a time
            QCOMPARE(Mix_Playing(-1), 1);
        }
        // The second one leaving must not have closed the device under the first.
        startCue(first, kShort);
        QVERIFY(roughly(waitUntilSilent(first), kShortMs));
    }
    MMControl third; // with every instance gone the device opens again
    startCue(third, kShort);
    QCOMPARE(third.Mode(), MMControl::kModePlay);
}

QTEST_GUILESS_MAIN(MMControlTest)
#include "tst_mmcontrol.moc"
