// What the Qt backend promises the game: those every backend keeps (tests/shared/Promises.h),
// the key handler told which of Shift, Ctrl and Alt were held and when the key was pressed,
// boxes answering with the button chosen, settings kept in the user's configuration folder,
// labels in the face nearest to ＭＳ Ｐゴシック, SDL really playing and stopping the cues and
// letting go of a device that stops mid-cue, and a cue the mixer would swell refused and silent.
// Sound plays on SDL's dummy driver.
#include "Promises.h"
#include "TestSupport.h"

#include "game/GameTexts.h"
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

using platform::MMControl;
using platform::media::kMaxCueFileBytes;
using namespace testing;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void keepsThePromisesOfEveryBackend();
    void keyHandlerIsToldTheModifiersAndTheMoment();
    void boxesAnswerWithTheButtonChosen();
    void settingsAreKeptInTheConfigurationFolder();
    void labelsAreInTheNearestFaceToTheGames();
    void modeFollowsTheCueToItsEnd();
    void swellingCuesAreRefusedAndTheGameGoesOn();
};

// The promises every backend keeps, as Qt keeps them: menus, timers, files and pictures.
void PlatformTest::keepsThePromisesOfEveryBackend()
{
    platform::Form form(u"", 0, 0, 0, 1500, 1500);
    const promises::System system{
        [] { QCoreApplication::processEvents(); },
        [](platform::MenuItem &item) { qt::action(item).trigger(); },
        [](const platform::MenuItem &item) { return qt::action(item).isChecked(); },
        [](const platform::MenuItem &item) { return !qt::action(item).isEnabled(); }};
    QCOMPARE(QString::fromStdString(promises::menuFaults(form, system) +
                                    promises::timerFaults(form, system) + promises::fileFaults() +
                                    promises::pictureFaults()),
             QString());
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

// The box shows its title and text; each button says what it does in the game's Japanese;
// Esc gives the last, Enter the first.
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
            shown << box->windowTitle() + ": " + box->text();
            for (QAbstractButton *button : box->buttons())
                shown << button->text();
            if (key == Qt::Key_unknown) // a click on いいえ
                box->buttons()[shown.indexOf(QStringLiteral("いいえ(&N)")) - 1]->click();
            else
                QTest::keyClick(box, key);
        });
        closer.start(10);
        QCOMPARE(MsgBox(u"どれ?", style, u"箱"), int(answer));
        QCOMPARE(shown.takeFirst(), QStringLiteral("箱: どれ?"));
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

// SDL ends the hold at the end of the cue and really stops it; a device that stops mixing
// never reports the end, and the hold lets go a little after the cue's length all the same.
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
    control.setCommand(u"Play");
    SDL_AudioDeviceID device = 1; // SDL_mixer does not say which; it is the one playing
    while (device < 16 && SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_PLAYING)
        ++device;
    SDL_PauseAudioDevice(device, 1);
    control.waitForModeChange(std::chrono::seconds(5));
    SDL_PauseAudioDevice(device, 0);
    QCOMPARE(control.Mode(), MMControl::kModeStopped);
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

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
