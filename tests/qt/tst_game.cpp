// The game driven the way a player drives it: keys routed by Qt, menu choices,
// button clicks, and timer ticks, delivered directly where only their count
// matters. Sound plays on SDL's dummy driver.
#include "Promises.h"
#include "TestSupport.h"

#include "window/Form1.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <thread>

using platform::MMControl;
using namespace testing;

namespace {

QString clipboardText() { return QGuiApplication::clipboard()->text(); }

void countDownToEnd(Form1 &form)
{
    for (int i = 0; i < 200 && form.Timer2.Enabled(); ++i)
        form.Timer2_Timer();
}

void tickToTheMiddle(Form1 &form)
{
    for (int i = 0; i < 200 && form.catPos != rules::kScoringSlot; ++i)
        form.Timer1_Timer();
}

// The four speeds' check marks as the player sees them: "1000" for おそい.
QString speedMarks(Form1 &form)
{
    QString marks;
    for (platform::MenuItem *item : {&form.ropiM0, &form.ropiM1, &form.ropiM2, &form.ropiM3})
        marks += qt::action(*item).isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return marks;
}

} // namespace

class GameTest : public QObject {
    Q_OBJECT
private slots:
    void keyTable();
    void altWithAGameKeyIsTheGames();
    void speedAndVisibilityTakeEffectAtTheNextJump();
    void roundStatesAndEveryTransition();
    void shotHoldsTheWindowAndQueuedPressesFollowInOrder();
    void spaceMidRoundRestartsNoTimer();
    void waysOut();
};

// What one key does to a fresh window: whether it started a round, shot or hid the cat, then
// the chosen period and the speed marks. The other keys of the game are pressed further on.
void GameTest::keyTable()
{
    const int shift = Qt::ShiftModifier;
    const struct {
        int key, modifiers, scanCode; // X11's: the main row's digits are 10..19
        bool autoRepeat;
        const char *effect;
    } rows[] = {
        {Qt::Key_Space, 0, 65, false, "start 2000 1000"}, // at the slow pace
        {Qt::Key_Exclam, shift, 10, false, "2000 1000"},  // Shift+1 as X11 gives it
        {Qt::Key_F, shift | Qt::ControlModifier, 41, true, "shot 0 1000"}, // held: every repeat
        {Qt::Key_1, Qt::KeypadModifier, 87, false, "0 1000"},              // keypad 1
    };
    for (const auto &row : rows) {
        GameFolder folder;
        auto form = showGame();
        QKeyEvent event(QEvent::KeyPress, row.key, Qt::KeyboardModifiers(row.modifiers),
                        quint32(row.scanCode), 0, 0, QString(), row.autoRepeat);
        QApplication::sendEvent(&qt::window(*form), &event);
        QCOMPARE(QLatin1String(form->Timer1.Enabled() ? "start " : "") +
                     (form->score ? "shot " : "") + (form->Imgput.Checked() ? "" : "hidden ") +
                     QString::number(form->catInterval) + ' ' + speedMarks(*form),
                 QString(row.effect));
    }
}

void GameTest::altWithAGameKeyIsTheGames()
{
    GameFolder folder;
    auto form = showGame();
    const auto pressWithAlt = [&form](char key) { press(*form, Qt::Key(key), Qt::AltModifier); };
    QCOMPARE(QString::fromStdString(promises::altKeyFaults(*form, pressWithAlt)), QString());
}

void GameTest::speedAndVisibilityTakeEffectAtTheNextJump()
{
    GameFolder folder;
    auto form = showGame();
    press(*form, Qt::Key_2); // chosen before the start, and kept by it
    press(*form, Qt::Key_Space);
    QCOMPARE(form->Timer1.Interval(), 250); // the first jump comes after the design period
    form->Timer1_Timer();
    QCOMPARE(form->Timer1.Interval(), 1000);
    qt::action(form->ropiM2).trigger(); // はやい from the menu, mid-round
    QCOMPARE(form->Timer1.Interval(), 1000);
    form->Timer1_Timer();
    QCOMPARE(form->Timer1.Interval(), 500);

    qt::action(form->Imgput).trigger(); // hidden from the menu: still seen until the next jump
    QVERIFY(qt::widget(form->Image1).isVisible());
    form->Timer1_Timer();
    QVERIFY(!qt::widget(form->Image1).isVisible());
    press(*form, Qt::Key_5);
    press(*form, Qt::Key_5); // twice between jumps: as it was
    form->Timer1_Timer();
    QVERIFY(!qt::widget(form->Image1).isVisible());
    press(*form, Qt::Key_5); // and back: a player who hid the cat can see it again
    form->Timer1_Timer();
    QVERIFY(qt::widget(form->Image1).isVisible());
}

void GameTest::roundStatesAndEveryTransition()
{
    GameFolder folder;
    auto form = showGame();
    // Ready: the window fills the screen, its controls' edges, not sizes, rounded to pixels:
    // this row, 460.8 twips at 15 a pixel, is 30 pixels high, not 31.
    QCOMPARE(qt::window(*form).frameGeometry(), QRect(0, 0, 1024, 768));
    QCOMPARE(qt::widget(form->lblVeryFast).geometry(), QRect(34, 154, 256, 30));
    // The disabled button takes no focus.
    press(*form, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), nullptr);

    // Running: shots are judged and scored.
    press(*form, Qt::Key_Space);
    QVERIFY(form->Timer1.Enabled() && form->Timer2.Enabled());
    tickToTheMiddle(*form);
    press(*form, Qt::Key_F);
    form->Timer2_Timer();
    // A screen of a new size (a browser's page on a turned phone) lays the window out again:
    // every control back in its place, the cat in its square slot, and the round as it was.
    const QRect cat = qt::widget(form->Image1).geometry();
    form->lblVeryFast.setLeft(0);
    form->cmdReset.setWidth(15);
    form->Image1.setWidth(15);
    form->Image1.setLeft(0);
    form->Form_Resize();
    QCOMPARE(qt::widget(form->lblVeryFast).geometry(), QRect(34, 154, 256, 30));
    QCOMPARE(qt::widget(form->cmdReset).width(), 256);
    QCOMPARE(qt::widget(form->Image1).geometry(), cat);
    QCOMPARE(qs(form->lblScore.Caption()), QStringLiteral("得点  10"));
    QCOMPARE(qs(form->lblTime.Caption()), QStringLiteral("TIME 119"));
    QVERIFY(form->timeLeft == 119 && form->Timer1.Enabled() && form->Timer2.Enabled());
    form->catPos = 4; // right of the middle; the Alt case shoots at the left
    press(*form, Qt::Key_J);
    press(*form, Qt::Key_J);
    QCOMPARE(qs(form->lblScore.Caption()), QStringLiteral("得点 -10"));
    QCOMPARE(qs(form->cmdReset.Caption()),
             QStringLiteral("得点 -10　おしまい\r\n[ Enter ]でリセット"));
    form->score = -32758; // the score stops at its floor, each shot still judged and copied
    press(*form, Qt::Key_J);
    press(*form, Qt::Key_J);
    QCOMPARE(clipboardText(), QStringLiteral("得点 -32768"));
    tickToTheMiddle(*form);
    form->score = 32757; // and at its top
    press(*form, Qt::Key_F);
    press(*form, Qt::Key_F);
    QCOMPARE(clipboardText(), QStringLiteral("得点  32767"));

    // Ended: the cat stops and goes, the button is usable.
    countDownToEnd(*form);
    QVERIFY(!form->Timer1.Enabled() && !qt::widget(form->Image1).isVisible() &&
            qt::widget(form->cmdReset).isEnabled());

    // Overtime: Space plays on below 0, down to the floor of the count; a click
    // resets without stopping it, and the round then ends at 0 again.
    press(*form, Qt::Key_Space);
    form->Timer2_Timer();
    QCOMPARE(qs(form->lblTime.Caption()), QStringLiteral("TIME -1"));
    form->timeLeft = -32767;
    form->Timer2_Timer();
    form->Timer2_Timer();
    QCOMPARE(qs(form->lblTime.Caption()), QStringLiteral("TIME -32768"));
    QVERIFY(form->Timer2.Enabled() && form->cmdReset.Enabled());
    QTest::mouseClick(&qt::widget(form->cmdReset), Qt::LeftButton);
    QVERIFY(!form->cmdReset.Enabled() && form->Timer1.Enabled() && form->Timer2.Enabled());
    QCOMPARE(qs(form->lblTime.Caption()), QStringLiteral("TIME 120"));
    QCOMPARE(qs(form->lblScore.Caption()), QString());
    QCOMPARE(qs(form->cmdReset.Caption()),
             QStringLiteral("得点  0　おしまい\r\n[ Enter ]でリセット"));
    countDownToEnd(*form);
    QVERIFY(!form->Timer1.Enabled() && form->cmdReset.Enabled());

    // Reset from the keyboard: the focused button keeps every key to itself.
    press(*form, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), &qt::widget(form->cmdReset));
    press(*form, Qt::Key_F);
    QCOMPARE(form->score, 0);
    press(*form, Qt::Key_Return);
    QVERIFY(form->timeLeft == 120 && !form->cmdReset.Enabled() && !form->Timer1.Enabled());
    press(*form, Qt::Key_3); // the focus is back with the game
    QCOMPARE(form->catInterval, 500);
}

void GameTest::shotHoldsTheWindowAndQueuedPressesFollowInOrder()
{
    GameFolder folder(300);
    auto form = showGame();
    QStringList lines; // each shot's score line, once its buzzer has ended
    QList<qint64> endedAt;
    QElapsedTimer clock;
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [&] {
        if (!clipboardText().isEmpty())
            lines << clipboardText(), endedAt << clock.elapsed();
    });
    std::thread player([&form] { // three presses while the first buzzer sounds
        QThread::msleep(100);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::postEvent(&qt::window(*form),
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier));
    });
    clock.start();
    press(*form, Qt::Key_F);
    player.join();
    QCoreApplication::processEvents();
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    QCOMPARE(lines, (QStringList{QStringLiteral("得点 -10"), QStringLiteral("得点 -20"),
                                 QStringLiteral("得点 -30"), QStringLiteral("得点 -40")}));
    for (int i = 0; i < 4; ++i) // each its own buzzer, heard to its end
        QVERIFY(endedAt[i] - (i ? endedAt[i - 1] : 0) >= 250);
}

// Space mid-round restarts neither timer: mashing it must not hold the clock back.
void GameTest::spaceMidRoundRestartsNoTimer()
{
    GameFolder folder;
    auto form = showGame();
    press(*form, Qt::Key_Space);
    QThread::msleep(850);
    QSignalSpy seconds(&qt::timer(form->Timer2), &QTimer::timeout);
    press(*form, Qt::Key_Space);
    // Restarted, the first second would end a whole second from now instead of 0.15 s (unless
    // the machine was so busy that the second ended meanwhile, and there is nothing to tell).
    QVERIFY(!seconds.isEmpty() || qt::timer(form->Timer2).remainingTime() < 575);
}

// Quitting ends the process, so each way out runs in a child of this test,
// which says as it ends what the cue was doing: Esc stops and closes it first.
void GameTest::waysOut()
{
    for (const auto &[way, mode] :
         {std::pair{"esc", MMControl::kModeNotOpen}, std::pair{"end-menu", MMControl::kModePlay}}) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), way});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput().trimmed().toInt(), mode);
    }
}

static Form1 *childForm = nullptr;

static int runChild(int argc, char **argv, const QString &way)
{
    QApplication app(argc, argv);
    GameFolder folder;
    writeFile(folder.path(QStringLiteral("Cat2.wav")), testfiles::tone(5000));
    auto form = showGame();
    childForm = form.get();
    std::at_quick_exit(
        [] { std::printf("%d\n", childForm->MMControl1.Mode()), std::fflush(stdout); });
    tickToTheMiddle(*form); // a long cat cue is sounding when the player leaves
    if (way == QLatin1String("esc"))
        press(*form, Qt::Key_Escape);
    else
        qt::action(form->mnuEnd).trigger();
    return 3; // the way out did not end the program
}

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    GameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_game.moc"
