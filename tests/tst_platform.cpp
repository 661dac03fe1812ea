// The services of the platform layer that the game relies on.
#include "platform/Controls.h"
#include "platform/KeyCodes.h"
#include "platform/MenuItem.h"
#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/Timer.h"

#include "TestSupport.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

using namespace platform;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void numbersToText();
    void keyCodes_data();
    void keyCodes();
    void menuClickNeverTogglesTheMark();
    void timerIntervalZeroGivesNoTicks();
    void timerEnabledAgainKeepsItsPeriod();
    void timerReArmedWithItsPeriodKeepsItsRhythm();
    void timerTickThatFellDueComesOnce();
    void randomValuesStayBelowOne();
    void randomSeedRepeats();
    void loadPictureReadsAGif();
    void loadPictureRaisesForBadFiles_data();
    void loadPictureRaisesForBadFiles();
    void errorReportNamesTheErrorAndTheFile();
    void clipboardHoldsPlainText();
    void placementReadsBackWhatWasSet();
};

void PlatformTest::numbersToText()
{
    QCOMPARE(Str(0), QStringLiteral(" 0"));
    QCOMPARE(Str(10), QStringLiteral(" 10"));
    QCOMPARE(Str(-10), QStringLiteral("-10"));
    QCOMPARE(Str(32767), QStringLiteral(" 32767"));
    QCOMPARE(Str(-32768), QStringLiteral("-32768"));
    QCOMPARE(CStr(0), QStringLiteral("0"));
    QCOMPARE(CStr(119), QStringLiteral("119"));
    QCOMPARE(CStr(-1), QStringLiteral("-1"));
}

void PlatformTest::keyCodes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("scanCode");
    QTest::addColumn<int>("expected");

    QTest::newRow("F") << int(Qt::Key_F) << 0 << 41 << 70;
    QTest::newRow("Shift+F") << int(Qt::Key_F) << int(Qt::ShiftModifier) << 41 << 70;
    QTest::newRow("Ctrl+J") << int(Qt::Key_J) << int(Qt::ControlModifier) << 44 << 74;
    QTest::newRow("J") << int(Qt::Key_J) << 0 << 44 << 74;
    QTest::newRow("Space") << int(Qt::Key_Space) << 0 << 65 << 32;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << 9 << 27;
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << 36 << 13;
    QTest::newRow("1") << int(Qt::Key_1) << 0 << 10 << 49;
    QTest::newRow("5") << int(Qt::Key_5) << 0 << 14 << 53;
    QTest::newRow("0") << int(Qt::Key_0) << 0 << 19 << 48;
    // Shift+1 reaches Qt on X11 as '!'; the key is still the digit key 1.
    QTest::newRow("Shift+1 on X11") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << 10 << 49;
    QTest::newRow("Shift+5 on X11") << int(Qt::Key_Percent) << int(Qt::ShiftModifier) << 14 << 53;
    QTest::newRow("Shift+1 without a scan code")
        << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << 0 << 0;
    QTest::newRow("keypad 1, Num Lock on") << int(Qt::Key_1) << int(Qt::KeypadModifier) << 87 << 97;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << int(Qt::KeypadModifier) << 84 << 101;
    QTest::newRow("keypad 1, Num Lock off")
        << int(Qt::Key_End) << int(Qt::KeypadModifier) << 87 << 0;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << 23 << 9;
    QTest::newRow("Left") << int(Qt::Key_Left) << 0 << 113 << 37;
    QTest::newRow("K") << int(Qt::Key_K) << 0 << 45 << 75;
}

void PlatformTest::keyCodes()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, scanCode);
    QFETCH(int, expected);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers),
                          quint32(scanCode), 0, 0);
    QCOMPARE(int(virtualKeyCode(event)), expected);
}

void PlatformTest::menuClickNeverTogglesTheMark()
{
    QMenu menu;
    MenuItem checked(menu.addAction(QStringLiteral("checked")), true, true);
    MenuItem unchecked(menu.addAction(QStringLiteral("unchecked")), true, false);
    QSignalSpy checkedClicks(&checked, &MenuItem::Click);
    QSignalSpy uncheckedClicks(&unchecked, &MenuItem::Click);

    bool markDuringClick = false;
    connect(&unchecked, &MenuItem::Click, this,
            [&] { markDuringClick = unchecked.action()->isChecked(); });
    checked.action()->trigger();
    unchecked.action()->trigger();
    QCOMPARE(checkedClicks.size(), 1);
    QCOMPARE(uncheckedClicks.size(), 1);
    QVERIFY(checked.Checked() && checked.action()->isChecked());
    QVERIFY(!unchecked.Checked() && !unchecked.action()->isChecked());
    QVERIFY(!markDuringClick); // the handler already sees the mark as it was

    unchecked.setChecked(true);
    QVERIFY(unchecked.action()->isChecked());
}

void PlatformTest::timerIntervalZeroGivesNoTicks()
{
    Timer timer(nullptr, 0, true);
    QSignalSpy ticks(&timer, &Timer::tick);
    QTest::qWait(50);
    QCOMPARE(ticks.size(), 0);
    QVERIFY(timer.Enabled());
    timer.setInterval(10);
    QVERIFY(ticks.wait(1000));
}

void PlatformTest::timerEnabledAgainKeepsItsPeriod()
{
    Timer timer(nullptr, 200, true);
    QSignalSpy ticks(&timer, &Timer::tick);
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(120);
    timer.setEnabled(true); // a restart would put the tick at 320 ms
    QVERIFY(ticks.wait(1000));
    QVERIFY2(clock.elapsed() < 290, qPrintable(QString::number(clock.elapsed())));
}

void PlatformTest::timerReArmedWithItsPeriodKeepsItsRhythm()
{
    Timer timer(nullptr, 100, true);
    QSignalSpy ticks(&timer, &Timer::tick);
    QElapsedTimer clock;
    connect(&timer, &Timer::tick, this, [&] {
        QThread::msleep(20); // the handler's own work must not push the next tick later
        timer.setInterval(100);
    });
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(ticks.size(), 5, 2000);
    QVERIFY2(clock.elapsed() < 580, qPrintable(QString::number(clock.elapsed())));
    timer.setInterval(300); // a new period counts from now
    clock.restart();
    QVERIFY(ticks.wait(1000));
    QVERIFY(clock.elapsed() >= 250);
}

void PlatformTest::timerTickThatFellDueComesOnce()
{
    Timer timer(nullptr, 50, true);
    QSignalSpy ticks(&timer, &Timer::tick);
    QThread::msleep(400); // the thread is held across eight periods
    QCoreApplication::processEvents();
    QCOMPARE(ticks.size(), 1);
    QTest::qWait(30);
    QCOMPARE(ticks.size(), 1); // the next one keeps its own period
    QVERIFY(ticks.wait(1000));
}

void PlatformTest::randomValuesStayBelowOne()
{
    Randomize();
    int counts[5] = {};
    for (int i = 0; i < 50000; ++i) {
        const double r = Rnd();
        QVERIFY(r >= 0.0 && r < 1.0);
        ++counts[int(r * 5)];
    }
    for (int count : counts)
        QVERIFY2(count > 9000 && count < 11000, qPrintable(QString::number(count)));
}

void PlatformTest::randomSeedRepeats()
{
    Randomize(42);
    const double first = Rnd(), second = Rnd();
    Randomize(42);
    QCOMPARE(Rnd(), first);
    QCOMPARE(Rnd(), second);
    Randomize();
    Randomize(7);
    QVERIFY(Rnd() != first);
}

void PlatformTest::loadPictureReadsAGif()
{
    const Picture picture =
        LoadPicture(QStringLiteral(ROPI_ASSETS_DIR) + QStringLiteral("/Cat.gif"));
    QVERIFY(!picture.image.isNull());
    QVERIFY(picture.image.hasAlphaChannel()); // the cat stands on a transparent ground
    QCOMPARE(picture.image.pixelColor(0, 0).alpha(), 0);
}

void PlatformTest::loadPictureRaisesForBadFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << "missing" << int(kErrFileNotFound);
    QTest::newRow("empty") << "empty" << int(kErrInvalidPicture);
    QTest::newRow("text") << "text" << int(kErrInvalidPicture);
    QTest::newRow("png renamed") << "png" << int(kErrInvalidPicture);
    QTest::newRow("directory") << "directory" << int(kErrInvalidPicture);
    QTest::newRow("fifo") << "fifo" << int(kErrInvalidPicture);
}

void PlatformTest::loadPictureRaisesForBadFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Cat.gif"));
    if (kind == "empty" || kind == "text") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind == "text")
            file.write("GIF? no, a note\n");
    } else if (kind == "png") {
        QVERIFY(QFile::copy(QStringLiteral(ROPI_ASSETS_DIR "/ropi.png"), path));
    } else if (kind == "directory") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Cat.gif")));
    } else if (kind == "fifo") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    try {
        LoadPicture(path);
        QFAIL("no error raised");
    } catch (const RuntimeError &raised) {
        QCOMPARE(raised.number(), error);
        QCOMPARE(raised.fileName(), path);
    }
}

void PlatformTest::errorReportNamesTheErrorAndTheFile()
{
    const RuntimeError error(kErrFileNotFound, QStringLiteral("ファイルが見つかりません。"),
                             QStringLiteral("Cat.gif"));
    QCOMPARE(error.reportText(),
             QStringLiteral("実行時エラー '53':\n\nファイルが見つかりません。\nCat.gif"));
    const RuntimeError overflow(kErrOverflow, QStringLiteral("オーバーフローしました。"));
    QCOMPARE(overflow.reportText(),
             QStringLiteral("実行時エラー '6':\n\nオーバーフローしました。"));
}

void PlatformTest::clipboardHoldsPlainText()
{
    Clipboard::SetText(QStringLiteral("old"));
    Clipboard::Clear();
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    Clipboard::SetText(QStringLiteral("得点  10"), 1);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("得点  10"));
}

void PlatformTest::placementReadsBackWhatWasSet()
{
    QWidget parent;
    Label label(&parent, QStringLiteral("x"), 0xFFFFFF, 20.25, 0, 0, 0, 0);
    label.setTop(460.8f);
    label.setLeft(512);
    label.setWidth(3072);
    label.setHeight(460.8f);
    QCOMPARE(label.Top(), 460.8f);
    QCOMPARE(label.Height(), 460.8f);
    // 15 twips to the pixel: edges are rounded, so 460.8 + 460.8 ends at pixel 61.
    QCOMPARE(label.geometry(), QRect(34, 31, 205, 30));
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
