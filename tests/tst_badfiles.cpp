// Whatever the player leaves in the game's folder in place of its picture and cues, the game
// never hangs, crashes or swells: a bad picture is reported as a runtime error, a bad cue is
// silent (or as short as the sound it really holds), and a device that stops mid-cue does
// not hold the window for good.
#include "TestSupport.h"

#include "game/GameTexts.h"
#include "platform/Controls.h"
#include "platform/Runtime.h"
#include "window/Form1.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <SDL.h>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

using platform::MMControl;
using testing::GameFolder;

namespace {

qint64 residentMiB() { return testing::residentKiB() / 1024; }

void appendLE(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// A GIF of one frame, said to be side x side pixels, holding one pixel's worth of data.
QByteArray giantGif(quint16 side)
{
    QByteArray gif("GIF89a");
    appendLE(gif, side, 2);
    appendLE(gif, side, 2);
    gif.append("\x80\x00\x00", 3);             // a global table of two colours
    gif.append("\x00\x00\x00\xff\xff\xff", 6); // black, white
    gif.append(',');
    appendLE(gif, 0, 4);
    appendLE(gif, side, 2);
    appendLE(gif, side, 2);
    gif.append("\x00\x02\x02\x44\x01\x00;", 7);
    return gif;
}

void write(const QString &path, const QByteArray &bytes, qint64 sparseSize = 0)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    if (sparseSize)
        QVERIFY(file.resize(sparseSize)); // a hole: a gigabyte costs no disk and no time
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Leaves a bad file of the given kind at path, in place of a good one of the same name.
void spoil(const QString &path, const QString &kind)
{
    const QByteArray good = fileBytes(path);
    QFile::remove(path);
    if (kind == "missing")
        return;
    if (kind == "empty")
        write(path, {});
    else if (kind == "truncated")
        write(path, good.left(good.size() / 2));
    else if (kind == "header only")
        write(path, good.left(good.startsWith("GIF") ? 13 : 44));
    else if (kind == "text")
        write(path, "This is a note, not a picture and not a sound.\n");
    else if (kind == "png renamed")
        QVERIFY(QFile::copy(QStringLiteral(ROPI_ASSETS_DIR "/ropi.png"), path));
    else if (kind == "directory")
        QVERIFY(QDir().mkdir(path));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "unreadable") {
        write(path, good);
        QVERIFY(QFile::setPermissions(path, {}));
    } else if (kind == "1 GB sparse")
        write(path, good.left(good.startsWith("GIF") ? 13 : 44), qint64(1) << 30);
    else if (kind == "claims 65535 x 65535")
        write(path, giantGif(65535));
    else if (kind == "claims 8000 x 8000") // 256 MB: QImage could, the allocation limit refuses
        write(path, giantGif(8000));
    else if (kind == "claims 4 GB of samples")
        write(path, testing::wavHeader(48000, 2, 16, 0xffffff00u) + QByteArray(4000, '\x10'));
    else if (kind == "swells when converted") // 16 MiB at 8 kHz mono 8-bit: 384 MiB at 48 kHz
        write(path, testing::wavHeader(8000, 1, 8, MMControl::kMaxFileBytes - 44),
              MMControl::kMaxFileBytes);
    else if (kind == "MP3 frames renamed") // a run of MPEG-1 layer III frame headers
        write(path, QByteArray("\xff\xfb\x90\x64", 4).repeated(2000));
    else
        QFAIL(qPrintable("no such kind: " + kind));
}

// Root reads files whatever their permission bits: the case only exists for a player.
bool cannotBeUnreadable(const QString &kind) { return kind == "unreadable" && ::geteuid() == 0; }

// SDL_mixer 2.6 does not say which device it opened; it is the one that is playing.
SDL_AudioDeviceID mixerDevice()
{
    for (SDL_AudioDeviceID id = 1; id < 16; ++id)
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING)
            return id;
    return 0;
}

// Starts a round whose ticks the test delivers by hand, so that a slow shot cannot let a
// real one in.
std::unique_ptr<Form1> startRound()
{
    auto form = testing::showGame();
    testing::press(*form, Qt::Key_Space);
    form->Timer1.setEnabled(false);
    form->Timer2.setEnabled(false);
    return form;
}

// Ticks, shoots and counts down; returns the longest time one shot held the window.
qint64 playABit(Form1 &form)
{
    qint64 longestHold = 0;
    for (int i = 0; i < 6; ++i) {
        form.Timer1_Timer();
        QElapsedTimer hold;
        hold.start();
        testing::press(form, i % 2 ? Qt::Key_F : Qt::Key_J);
        longestHold = std::max(longestHold, hold.elapsed());
    }
    form.Timer2_Timer();
    return longestHold;
}

} // namespace

class BadFilesTest : public QObject {
    Q_OBJECT
private slots:
    void badPictureRaisesTheRuntimeError_data();
    void badPictureRaisesTheRuntimeError();
    void badCuesAreSilentAndTheGameGoesOn_data();
    void badCuesAreSilentAndTheGameGoesOn();
    void deviceThatStopsMidCueDoesNotHoldTheWindow_data();
    void deviceThatStopsMidCueDoesNotHoldTheWindow();
    void withoutAnyAudioDeviceTheGamePlaysSilently();
};

// Missing, empty, text, PNG, directory and FIFO pictures are checked by tst_platform. A GIF cut
// short still holds the top of its picture, and Qt gives that much.
void BadFilesTest::badPictureRaisesTheRuntimeError_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("raises");
    QTest::newRow("truncated") << "truncated" << false;
    for (const char *kind : {"header only", "unreadable", "1 GB sparse", "claims 65535 x 65535",
                             "claims 8000 x 8000", "MP3 frames renamed"})
        QTest::newRow(kind) << QString::fromLatin1(kind) << true;
}

void BadFilesTest::badPictureRaisesTheRuntimeError()
{
    QFETCH(QString, kind);
    QFETCH(bool, raises);
    if (cannotBeUnreadable(kind))
        QSKIP("running as root, which reads a chmod 000 file");
    GameFolder folder;
    const QSize size = platform::LoadPicture(QStringLiteral("Cat.gif")).image.size();
    spoil(folder.path(QStringLiteral("Cat.gif")), kind);
    const qint64 memoryBefore = residentMiB();
    QElapsedTimer clock;
    clock.start();
    try {
        QCOMPARE(platform::LoadPicture(QStringLiteral("Cat.gif")).image.size(), size);
        QVERIFY(!raises);
    } catch (const platform::RuntimeError &error) {
        QVERIFY(raises);
        QCOMPARE(error.number(), int(platform::kErrInvalidPicture));
        QCOMPARE(error.fileName(), QStringLiteral("Cat.gif"));
    }
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    if (testing::kMemoryIsMeaningful)
        QVERIFY2(residentMiB() - memoryBefore < 100, qPrintable(QString::number(residentMiB())));
}

void BadFilesTest::badCuesAreSilentAndTheGameGoesOn_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind :
         {"missing", "empty", "truncated", "header only", "text", "png renamed", "directory",
          "fifo", "unreadable", "1 GB sparse", "claims 4 GB of samples", "swells when converted",
          "MP3 frames renamed"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void BadFilesTest::badCuesAreSilentAndTheGameGoesOn()
{
    QFETCH(QString, kind);
    if (cannotBeUnreadable(kind))
        QSKIP("running as root, which reads a chmod 000 file");
    GameFolder folder(GameFolder::ShortCues, 300);
    for (const QString &cue : testing::kCueFiles)
        spoil(folder.path(cue), kind);
    auto form = startRound();
    const qint64 memoryBefore = residentMiB();

    // A truncated cue still sounds what it holds, at most half of the 300 ms buzzer.
    QVERIFY2(playABit(*form) < 1000, "a shot held the window too long");
    QVERIFY(form->MMControl1.Mode() != MMControl::kModePlay);
    QCOMPARE(form->lblScore.Caption(), texts::scoreLine(form->score));
    QCOMPARE(QGuiApplication::clipboard()->text(), form->lblScore.Caption());
    QCOMPARE(form->lblTime.Caption(), QStringLiteral("TIME 119"));
    if (testing::kMemoryIsMeaningful)
        QVERIFY2(residentMiB() - memoryBefore < 40, qPrintable(QString::number(residentMiB())));
}

void BadFilesTest::deviceThatStopsMidCueDoesNotHoldTheWindow_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::newRow("device paused") << "pause";
    QTest::newRow("device stuck") << "lock";
}

void BadFilesTest::deviceThatStopsMidCueDoesNotHoldTheWindow()
{
    QFETCH(QString, trouble);
    GameFolder folder(GameFolder::ShortCues, 300);
    auto form = startRound();
    const SDL_AudioDeviceID device = mixerDevice();
    QVERIFY(device != 0);

    // The device stops while a cat cue sounds, and stays stopped for the shot's buzzer.
    form->Timer1_Timer();
    if (trouble == "pause")
        SDL_PauseAudioDevice(device, 1);
    else
        SDL_LockAudioDevice(device); // the mixer's thread waits on it; ours may take it again
    QElapsedTimer hold;
    hold.start();
    testing::press(*form, Qt::Key_F);
    const qint64 heldMs = hold.elapsed();
    QVERIFY(form->MMControl1.Mode() != MMControl::kModePlay);
    const qint64 secondMs = playABit(*form);
    if (trouble == "pause")
        SDL_PauseAudioDevice(device, 0);
    else
        SDL_UnlockAudioDevice(device);

    // The 300 ms buzzer and the margin after it, with room for a slow machine.
    QVERIFY2(heldMs >= 300 && heldMs < 2000, qPrintable(QString::number(heldMs)));
    QVERIFY2(secondMs < 2000, qPrintable(QString::number(secondMs)));
    QCOMPARE(QGuiApplication::clipboard()->text(), texts::scoreLine(form->score));
    QCOMPARE(form->lblTime.Caption(), QStringLiteral("TIME 119"));

    // Back to normal, the next buzzer sounds and ends as it should.
    hold.restart();
    testing::press(*form, Qt::Key_F);
    QVERIFY2(hold.elapsed() >= 250 && hold.elapsed() < 2000,
             qPrintable(QString::number(hold.elapsed())));
}

// The audio device is the process's, so the run without one is a child of this test.
void BadFilesTest::withoutAnyAudioDeviceTheGamePlaysSilently()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("ropi-no-such-driver"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--without-audio")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const QStringList report =
        QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char('|'));
    QCOMPARE(report.size(), 5);
    QCOMPARE(report[0], QStringLiteral("no device"));
    QVERIFY2(report[1].toLongLong() < 1000, qPrintable(report[1])); // the longest shot
    QVERIFY(report[2].startsWith(QStringLiteral("得点")));
    QCOMPARE(report[3], report[2]); // the clipboard holds the label
    QCOMPARE(report[4], QStringLiteral("TIME 119"));
}

static int runWithoutAudio(int argc, char **argv)
{
    QApplication app(argc, argv);
    GameFolder folder(GameFolder::ShortCues, 300);
    auto form = startRound();
    const qint64 longestHold = playABit(*form);
    std::printf("%s|%lld|%s|%s|%s\n", MMControl::hasAudioDevice() ? "device" : "no device",
                longestHold, qPrintable(form->lblScore.Caption()),
                qPrintable(QGuiApplication::clipboard()->text()),
                qPrintable(form->lblTime.Caption()));
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 2 && QByteArray(argv[1]) == "--without-audio")
        return runWithoutAudio(argc, argv);
    QApplication app(argc, argv);
    BadFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_badfiles.moc"
