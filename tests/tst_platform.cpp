// What the platform layer promises the game: a menu click never toggles a
// mark, an Interval of 0 never ticks, the sound control's Mode follows a cue to
// its end, and whatever a player leaves in the folder in place of the picture
// and the cues, nothing hangs or crashes: a bad picture is the runtime error the
// player is shown, a bad cue is refused and silent, and a device that stops
// mid-cue does not hold the window for good. Sound plays on SDL's dummy driver.
#include "TestSupport.h"

#include "game/GameTexts.h"
#include "platform/Controls.h"
#include "platform/Runtime.h"
#include "window/Form1.h"

#include <QClipboard>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <SDL_mixer.h>

#include <sys/stat.h>

using platform::MMControl;
using namespace testing;

// Leaves a bad file of the given kind in place of a good one of the same name.
static void spoil(const QString &path, const QString &kind)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    file.remove();
    if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (kind == "missing" || kind == "fifo")
        return;
    QByteArray bytes = "This is a note, not a picture and not a sound.\n";
    if (kind == "claims 8000 x 8000") // 256 MB: QImage could, the allocation limit refuses
        bytes = good.left(6) + "\x40\x1f\x40\x1f" + good.mid(10);
    else if (kind == "claims 4 GB of samples")
        bytes = wavHeader(48000, 2, 16, 0xffffff00u) + QByteArray(4000, '\x10');
    else if (kind == "swells when converted") // 16 MiB at 8 kHz mono 8-bit: 384 MiB at 48 kHz
        bytes = wavHeader(8000, 1, 8, MMControl::kMaxFileBytes - 44);
    else if (kind == "1 GB sparse")
        bytes = good.left(44);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    if (kind == "swells when converted" || kind == "1 GB sparse") // holes cost no disk, no time
        QVERIFY(file.resize(kind == "1 GB sparse" ? qint64(1) << 30 : MMControl::kMaxFileBytes));
}

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void menuClickNeverTogglesTheMark();
    void intervalZeroGivesNoTicks();
    void modeFollowsTheCueToItsEnd();
    void badPictureRaisesTheRuntimeError_data();
    void badPictureRaisesTheRuntimeError();
    void badCuesAreRefusedAndTheGameGoesOn_data();
    void badCuesAreRefusedAndTheGameGoesOn();
    void pausedDeviceDoesNotHoldTheWindow();
};

void PlatformTest::menuClickNeverTogglesTheMark()
{
    QMenu menu;
    platform::MenuItem checked(menu.addAction(QStringLiteral("a")), true, true);
    platform::MenuItem unchecked(menu.addAction(QStringLiteral("b")), true, false);
    QSignalSpy clicks(&unchecked, &platform::MenuItem::Click);
    checked.action()->trigger();
    unchecked.action()->trigger();
    QCOMPARE(clicks.size(), 1);
    QVERIFY(checked.Checked() && checked.action()->isChecked());
    QVERIFY(!unchecked.Checked() && !unchecked.action()->isChecked());
}

void PlatformTest::intervalZeroGivesNoTicks()
{
    platform::Timer timer(nullptr, 0, true);
    QSignalSpy ticks(&timer, &platform::Timer::tick);
    QTimer later;
    later.start(50);
    QVERIFY(QSignalSpy(&later, &QTimer::timeout).wait(1000));
    QCOMPARE(ticks.size(), 0);
    timer.setInterval(10);
    QVERIFY(ticks.wait(1000));
}

void PlatformTest::modeFollowsTheCueToItsEnd()
{
    GameFolder folder(150);
    MMControl control;
    control.setFileName(QStringLiteral("ブー.wav"));
    control.setCommand(QStringLiteral("Open"));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    control.setCommand(QStringLiteral("Play"));
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    control.waitForModeChange(std::chrono::seconds(5)); // woken by the end of the cue
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    control.setCommand(QStringLiteral("Play")); // a stopped cue is still open
    control.setCommand(QStringLiteral("Stop"));
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    QCOMPARE(Mix_Playing(-1), 0); // silent for real, not only reported so
    control.setCommand(QStringLiteral("Close"));
    QCOMPARE(control.Mode(), MMControl::kModeNotOpen);
}

void PlatformTest::badPictureRaisesTheRuntimeError_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"text", "fifo", "claims 8000 x 8000"})
        QTest::newRow(kind) << kind;
}

void PlatformTest::badPictureRaisesTheRuntimeError()
{
    QFETCH(QString, kind);
    GameFolder folder;
    spoil(folder.path(QStringLiteral("Cat.gif")), kind);
    try {
        platform::LoadPicture(QStringLiteral("Cat.gif"));
        QFAIL("no error raised");
    } catch (const platform::RuntimeError &raised) {
        QCOMPARE(raised.number(), int(platform::kErrInvalidPicture));
    }
}

void PlatformTest::badCuesAreRefusedAndTheGameGoesOn_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"missing", "text", "fifo", "1 GB sparse", "claims 4 GB of samples",
                             "swells when converted"})
        QTest::newRow(kind) << kind;
}

void PlatformTest::badCuesAreRefusedAndTheGameGoesOn()
{
    QFETCH(QString, kind);
    GameFolder folder;
    for (const QString &cue : kCueFiles)
        spoil(folder.path(cue), kind);
    auto form = showGame();
    press(*form, Qt::Key_Space);
    form->Timer1_Timer();
    QCOMPARE(form->MMControl1.Mode(), MMControl::kModeNotOpen);
    press(*form, Qt::Key_F);
    QCOMPARE(form->MMControl1.Mode(), MMControl::kModeNotOpen);
    QCOMPARE(QGuiApplication::clipboard()->text(), texts::scoreLine(form->score));
}

// A device that stops mixing never reports the end of a cue: the buzzer lets
// go of the window a little after its own length all the same.
void PlatformTest::pausedDeviceDoesNotHoldTheWindow()
{
    GameFolder folder(300);
    auto form = showGame();
    press(*form, Qt::Key_Space);
    form->Timer1.setEnabled(false);
    form->Timer1_Timer();
    SDL_AudioDeviceID device = 1; // SDL_mixer does not say which; it is the one playing
    while (device < 16 && SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_PLAYING)
        ++device;
    SDL_PauseAudioDevice(device, 1);
    press(*form, Qt::Key_F);
    SDL_PauseAudioDevice(device, 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), texts::scoreLine(form->score));
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
