// Hours of play in virtual time: the handlers are driven directly, as fast as they run, and
// the game must neither end, nor lose a key press, nor grow.
#include "TestSupport.h"

#include "game/GameTexts.h"
#include "window/Form1.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QTest>

#include <chrono>
#include <thread>

using testing::GameFolder;

namespace {

const QString kHitCue = QStringLiteral("ピンポン.wav");
const QString kMissCue = QStringLiteral("ブー.wav");

void putCatInTheMiddle(Form1 &form)
{
    for (int i = 0; i < 500 && form.catPos != rules::kScoringSlot; ++i)
        form.Timer1_Timer();
    QCOMPARE(form.catPos, std::int16_t(rules::kScoringSlot));
}

} // namespace

class LongPlayTest : public QObject {
    Q_OBJECT
private slots:
    void nineHoursOfOvertimeNeverEndTheRound();
    void hundredThousandShotsKeepMemoryFlat();
    void tenThousandPressesQueuedBehindACueAreAllTaken();
};

void LongPlayTest::nineHoursOfOvertimeNeverEndTheRound()
{
    GameFolder folder;
    auto form = testing::showGame();
    testing::press(*form, Qt::Key_Space);
    for (int i = 0; i < 120; ++i)
        form->Timer2_Timer();
    QCOMPARE(form->timeLeft, std::int16_t(0));
    testing::press(*form, Qt::Key_Space); // Overtime

    // 32769 seconds: one past the count's floor.
    for (int second = 1; second <= 32769; ++second) {
        form->Timer2_Timer();
        if (second % 250 == 0)
            form->Timer1_Timer(); // the cat keeps jumping now and then
        if (second == 32767)
            QCOMPARE(form->lblTime.Caption(), QStringLiteral("TIME -32767"));
    }
    QCOMPARE(form->timeLeft, std::int16_t(-32768));
    QCOMPARE(form->lblTime.Caption(), QStringLiteral("TIME -32768"));
    QVERIFY(form->Timer1.Enabled() && form->Timer2.Enabled());
    QVERIFY(form->cmdReset.Enabled());
    QVERIFY(form->Image1.Visible());
}

void LongPlayTest::hundredThousandShotsKeepMemoryFlat()
{
    // Shots without their cues are silent and quick; the cat's cues are real, if tiny, so
    // every tick opens, decodes, plays and frees one.
    GameFolder folder;
    QVERIFY(QFile::remove(folder.path(kHitCue)));
    QVERIFY(QFile::remove(folder.path(kMissCue)));
    auto form = testing::showGame();
    testing::press(*form, Qt::Key_Space);

    const auto play = [&form](int shots) {
        for (int shot = 0; shot < shots; ++shot) {
            form->Ropi();
            if (shot % 10 == 0)
                form->Timer1_Timer();
            if (shot % 1000 == 0)
                QCoreApplication::processEvents(); // paints, deferred deletes
        }
        QCoreApplication::processEvents();
    };
    play(5000); // caches and pools settle first
    const qint64 before = testing::residentKiB();
    play(100000);
    const qint64 after = testing::residentKiB();
    qInfo("resident memory: %lld KiB before, %lld KiB after", before, after);
    QCOMPARE(QGuiApplication::clipboard()->text(), form->lblScore.Caption());
    QCOMPARE(form->lblScore.Caption(), texts::scoreLine(form->score));
    if (testing::kMemoryIsMeaningful)
        QVERIFY2(after - before < 4096, "resident memory grew by more than 4 MiB");
}

void LongPlayTest::tenThousandPressesQueuedBehindACueAreAllTaken()
{
    // The first shot's chime holds the window for a second while the presses pile up; its
    // file then goes, so the queued shots are silent and quick.
    GameFolder folder(GameFolder::ShortCues, 1000);
    auto form = testing::showGame();
    testing::press(*form, Qt::Key_Space);
    putCatInTheMiddle(*form);
    form->Timer1.setEnabled(false); // the cat stays put, so every shot is a hit
    form->Timer2.setEnabled(false);
    form->score = -32768;

    QStringList lines;
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [&lines] {
        const QString text = QGuiApplication::clipboard()->text();
        if (!text.isEmpty())
            lines << text;
    });
    std::chrono::steady_clock::time_point queuedAt;
    std::thread player([&form, &folder, &queuedAt] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (int i = 0; i < 10000; ++i)
            QCoreApplication::postEvent(
                form.get(),
                new QKeyEvent(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier, QStringLiteral("f")));
        QFile::remove(folder.path(kHitCue));
        queuedAt = std::chrono::steady_clock::now();
    });
    testing::press(*form, Qt::Key_F);
    const auto chimeEnded = std::chrono::steady_clock::now();
    player.join();
    QCoreApplication::processEvents();
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    QVERIFY2(queuedAt < chimeEnded,
             "the presses were not all queued while the chime held the window");

    // From the floor up, ten points a shot, and stopping at the top.
    QCOMPARE(lines.size(), 10001);
    for (int shot = 1; shot <= 10001; ++shot)
        QCOMPARE(lines[shot - 1], texts::scoreLine(rules::addSaturated(-32768, 10 * shot)));
    QCOMPARE(form->score, std::int16_t(32767));
    QCOMPARE(form->lblScore.Caption(), texts::scoreLine(32767));
}

QTEST_MAIN(LongPlayTest)
#include "tst_longplay.moc"
