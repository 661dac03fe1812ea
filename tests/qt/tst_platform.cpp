// What the Qt backend promises the game: a menu click never toggles a mark and a disabled item
// cannot be chosen, an Interval of 0 never ticks, the key handler is told which of Shift, Ctrl
// and Alt were held and when the key was pressed, boxes answer with the button chosen, settings
// are kept in the user's configuration folder, the labels are in
// the face nearest to ＭＳ Ｐゴシック, SDL really plays and stops the cues, a picture only the
// decoder can refuse is the runtime error the player is shown, a cue the mixer would swell is
// refused and silent, a device that stops mid-cue does not hold the window for good, and the
// game's files are read only when they are plain files of a bounded size. Sound plays on SDL's
// dummy driver.
#include "TestSupport.h"

#include "game/GameTexts.h"
#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/shared/MediaFiles.h"
#include "window/Form1.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <SDL_mixer.h>

#include <sys/stat.h>

using platform::MMControl;
using platform::media::kMaxCueFileBytes;
using namespace testing;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void menuClickNeverTogglesTheMark();
    void intervalZeroGivesNoTicks();
    void keyHandlerIsToldTheModifiersAndTheMoment();
    void boxesAnswerWithTheButtonChosen();
    void settingsAreKeptInTheConfigurationFolder();
    void labelsAreInTheNearestFaceToTheGames();
    void modeFollowsTheCueToItsEnd();
    void badPictureRaisesTheRuntimeError_data();
    void badPictureRaisesTheRuntimeError();
    void decoderKeepsALimitOfItsOwn();
    void swellingCuesAreRefusedAndTheGameGoesOn();
    void pausedDeviceDoesNotHoldTheWindow();
    void onlyPlainFilesOfBoundedSizeAreRead();
};

void PlatformTest::menuClickNeverTogglesTheMark()
{
    platform::Form form(u"", 0, 0, 0, 1500, 1500);
    platform::MenuItem menu(form, u"m");
    platform::MenuItem checked(menu, u"a", true);
    platform::MenuItem unchecked(menu, u"b");
    int clicks = 0;
    unchecked.Click.connect([&clicks] { ++clicks; });
    qt::action(checked).trigger();
    qt::action(unchecked).trigger();
    unchecked.setEnabled(false);
    qt::action(unchecked).trigger();
    QCOMPARE(clicks, 1);
    QVERIFY(checked.Checked() && qt::action(checked).isChecked());
    QVERIFY(!unchecked.Checked() && !qt::action(unchecked).isChecked());
}

void PlatformTest::intervalZeroGivesNoTicks()
{
    platform::Form form(u"", 0, 0, 0, 1500, 1500);
    platform::Timer timer(form, 0);
    timer.setEnabled(true);
    QSignalSpy ticks(&qt::timer(timer), &QTimer::timeout);
    QTimer later;
    later.start(50);
    QVERIFY(QSignalSpy(&later, &QTimer::timeout).wait(1000));
    QCOMPARE(ticks.size(), 0);
    timer.setInterval(10);
    QVERIFY(ticks.wait(1000));
}

void PlatformTest::keyHandlerIsToldTheModifiersAndTheMoment()
{
    struct KeyWindow : platform::Form {
        KeyWindow() : Form(u"", 0, 0, 0, 1500, 1500) {}
        void Form_KeyDown(std::int16_t &KeyCode, std::int16_t Shift) override
        {
            if (KeyCode == 'F') // not the modifier keys' own presses
                keys << QStringLiteral("F+%1").arg(Shift);
            pressed.push_back(platform::EventTime());
        }
        QStringList keys;
        std::vector<std::chrono::steady_clock::time_point> pressed;
    } window;
    window.Show();
    QVERIFY(QTest::qWaitForWindowExposed(&qt::window(window)));
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::ShiftModifier | Qt::ControlModifier, Qt::AltModifier | Qt::ShiftModifier,
          Qt::KeyboardModifiers()})
        QTest::keyClick(qt::window(window).windowHandle(), Qt::Key_F, modifiers);
    QCOMPARE(window.keys, QStringList({"F+3", "F+5", "F+0"}));
    // Two keys the window system stamped at once, the second taken 300 ms later (behind a held
    // cue): both were pressed at the same moment.
    window.pressed.clear();
    for (int key = 0; key < 2; ++key) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_J, Qt::NoModifier);
        press.setTimestamp(1000);
        QCoreApplication::sendEvent(&qt::window(window), &press);
        QThread::msleep(300);
    }
    QVERIFY(window.pressed[1] - window.pressed[0] < std::chrono::milliseconds(50));
}

// Each button says what it does in the game's Japanese; Esc gives the last, Enter the first.
void PlatformTest::boxesAnswerWithTheButtonChosen()
{
    using namespace platform;
    const QStringList yesNoCancel{"はい(&Y)", "いいえ(&N)", "キャンセル"};
    for (const auto &[style, key, answer, buttons] :
         {std::tuple{int(vbOKOnly), Qt::Key_Escape, vbOK, QStringList{"OK"}},
          std::tuple{int(vbOKCancel), Qt::Key_Escape, vbCancel, QStringList{"OK", "キャンセル"}},
          std::tuple{vbYesNoCancel | vbQuestion, Qt::Key_Return, vbYes, yesNoCancel},
          std::tuple{int(vbYesNoCancel), Qt::Key_unknown, vbNo, yesNoCancel}}) {
        QStringList shown;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&, key = key] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !shown.isEmpty())
                return;
            for (QAbstractButton *button : box->buttons())
                shown << button->text();
            if (key == Qt::Key_unknown) // a click on いいえ
                box->buttons()[shown.indexOf(QStringLiteral("いいえ(&N)"))]->click();
            else
                QTest::keyClick(box, key);
        });
        closer.start(10);
        QCOMPARE(MsgBox(u"?", style), int(answer));
        QCOMPARE(QSet(shown.begin(), shown.end()), QSet(buttons.begin(), buttons.end()));
    }
}

// ctest gives the test a configuration folder of its own ($XDG_CONFIG_HOME).
void PlatformTest::settingsAreKeptInTheConfigurationFolder()
{
    using platform::GetSetting;
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY(folder.endsWith(QLatin1String("-config")));
    QDir(folder).removeRecursively();
    QCOMPARE(GetSetting(u"ropi", u"Sound", u"Delay", u"none"), u"none");
    platform::SaveSetting(u"ropi", u"Sound", u"Delay", u"210");
    QCOMPARE(GetSetting(u"ropi", u"Sound", u"Delay"), u"210");
    QFile kept(folder + QStringLiteral("/ropi/ropi.conf"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QVERIFY(kept.readAll().contains("[Sound]\nDelay=210"));
    // A folder that cannot be made (a file stands in its place) keeps nothing, and says nothing.
    writeFile(folder + QStringLiteral("/ropi-nowhere"), testfiles::text("a file"));
    platform::SaveSetting(u"ropi-nowhere", u"Sound", u"Delay", u"210");
    QVERIFY(QFileInfo(folder + QStringLiteral("/ropi-nowhere")).isFile());
}

// IPAPGothic is drawn to the measures of ＭＳ Ｐゴシック, so the panel's texts fit as
// the game lays them out.
void PlatformTest::labelsAreInTheNearestFaceToTheGames()
{
    if (!QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
        QSKIP("no IPAPGothic on this machine");
    platform::Form form(u"", 0, 0, 0, 1500, 1500);
    platform::Label label(form, u"得点", 0, 20.25, 0, 0, 1500, 400);
    QCOMPARE(QFontInfo(qt::widget(label).font()).family(), QStringLiteral("IPAPGothic"));
}

void PlatformTest::modeFollowsTheCueToItsEnd()
{
    GameFolder folder(150);
    MMControl control;
    control.setFileName(u"ブー.wav");
    control.setCommand(u"Open");
    control.setCommand(u"Play");
    QCOMPARE(control.Mode(), MMControl::kModePlay);
    control.waitForModeChange(std::chrono::seconds(5)); // woken by the end of the cue
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"Play"); // a stopped cue is still open
    control.setCommand(u"Stop");
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
    QCOMPARE(Mix_Playing(-1), 0); // silent for real, not only reported so
}

// A missing picture and one that is not a GIF are the shared file checks' and the end-to-end
// tests' to find; here a FIFO, which is no plain file, and a GIF broken after its header, which
// only the decoder can refuse, are both an invalid picture.
void PlatformTest::badPictureRaisesTheRuntimeError_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("fifo") << true;
    QTest::newRow("broken after its header") << false;
}

void PlatformTest::badPictureRaisesTheRuntimeError()
{
    QFETCH(bool, fifo);
    GameFolder folder;
    const QString path = folder.path(QStringLiteral("Cat.gif"));
    testfiles::Bytes broken = testfiles::catPicture();
    broken.resize(13);
    broken.resize(213, 0xff);
    QVERIFY(QFile::remove(path));
    if (fifo)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        writeFile(path, broken);
    try {
        platform::LoadPicture(u"Cat.gif");
        QFAIL("no error raised");
    } catch (const platform::RuntimeError &raised) {
        QCOMPARE(raised.number(), int(platform::kErrInvalidPicture));
        QCOMPARE(qs(raised.fileName()), QStringLiteral("Cat.gif"));
    }
}

// Behind the checks of the file, the decoder refuses a picture that would take more memory
// than a picture may: here a canvas of 0 x 0, which it sizes by the frame, 100 MB decoded.
void PlatformTest::decoderKeepsALimitOfItsOwn()
{
    using platform::Backend;
    QVERIFY(Backend::decodeGif(testfiles::gif(40, 30, {{0, 0, 40, 30}, {10, 5, 30, 25}})));
    QVERIFY(!Backend::decodeGif(testfiles::gif(0, 0, {{0, 0, 5000, 5000}})));
}

// Cues that would swell on the device past what a cue may take (16 MiB at 8 kHz mono 8-bit
// is 384 MiB at the mixer's 48 kHz stereo 16-bit) are refused and silent; the game goes on.
void PlatformTest::swellingCuesAreRefusedAndTheGameGoesOn()
{
    GameFolder folder;
    for (const QString &cue : kCueFiles) { // holes cost no disk, no time
        writeFile(folder.path(cue), testfiles::wavHeader(8000, 1, 8, kMaxCueFileBytes - 44));
        QVERIFY(QFile::resize(folder.path(cue), kMaxCueFileBytes));
    }
    auto form = showGame();
    press(*form, Qt::Key_Space);
    form->Timer1_Timer();
    QCOMPARE(form->MMControl1.Mode(), MMControl::kModeNotOpen);
    press(*form, Qt::Key_F);
    QCOMPARE(form->MMControl1.Mode(), MMControl::kModeNotOpen);
    QCOMPARE(QGuiApplication::clipboard()->text(), qs(texts::scoreLine(form->score)));
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
    QCOMPARE(QGuiApplication::clipboard()->text(), qs(texts::scoreLine(form->score)));
}

void PlatformTest::onlyPlainFilesOfBoundedSizeAreRead()
{
    QCOMPARE(QString::fromStdString(testfiles::readingFaults()), QString());
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
