#include "platform/KeyCodes.h"
#include "platform/Services.h"
#include "window/Form1.h"

using namespace platform;

// With the cat hidden the game is played by ear, and every device brings its sound late:
// Bluetooth headphones by up to a third of a second, which no system reports reliably. The
// player measures their own delay once, pressing with a steady beat of the middle cue, and the
// shots they aim by ear are judged by it (AimedSlot). The delay is kept between runs.

namespace {

const std::u16string kSettingsApp = u"ropi";
const std::u16string kSettingsSection = u"Sound";
const std::u16string kSettingsKey = u"Delay";
const std::u16string kCrlf = u"\r\n";

std::u16string delayLine(std::int16_t delay) { return u"音のずれ：" + CStr(delay) + u" ms"; }

} // namespace

void Form1::LoadSoundDelay()
{
    soundDelay = rules::soundDelayFrom(GetSetting(kSettingsApp, kSettingsSection, kSettingsKey));
}

void Form1::SetSoundDelay(std::int16_t delay)
{
    soundDelay = delay;
    SaveSetting(kSettingsApp, kSettingsSection, kSettingsKey, CStr(delay));
}

// Chosen between rounds only: the item is greyed while a round runs, so a round is never
// disturbed, and no round can start while the beat plays (MeasuringKeyDown).
void Form1::mnuDelay_Click()
{
    const int choice = MsgBox(
        u"いまの" + delayLine(soundDelay) + kCrlf + kCrlf +
            u"ろぴちゃんがみえないとき、音がおくれてきこえるぶんを" + kCrlf +
            u"さしひいて、あたりかどうかをきめます。" + kCrlf + kCrlf +
            u"はかるときは、真ん中の音が " + CStr(rules::kMeasuredBeats) + u" 回なります。" +
            kCrlf + u"きこえる音にあわせて [ F ]か[ J ] をおしてください。" + kCrlf + kCrlf +
            u"はい：はかる" + kCrlf + u"いいえ：0 ms にもどす" + kCrlf + u"キャンセル：そのまま",
        vbYesNoCancel + vbQuestion, u"音のずれ");
    if (choice == vbNo) {
        SetSoundDelay(0);
    } else if (choice == vbYes) {
        beatTimes.clear();
        pressTimes.clear();
        mnuDelay.setEnabled(false);
        Timer3.setEnabled(true); // the first beat one beat's length from now
    }
}

// The beat of the measurement: the middle cue, kMeasuredBeats times; one beat's length after
// the last, for its answer, the result.
void Form1::Timer3_Timer()
{
    if (beatTimes.size() < rules::kMeasuredBeats) {
        cueFile = u"Cat2.wav";
        PlayCue();
        beatTimes.push_back(EventTime());
        return;
    }
    EndMeasuring();
    const std::optional<std::int16_t> delay = rules::measuredDelay(beatTimes, pressTimes);
    if (!delay) {
        MsgBox(u"うまくはかれませんでした。" + kCrlf +
                   u"きこえる音にあわせて [ F ]か[ J ] をおしてください。",
               vbOKOnly + vbInformation, u"音のずれ");
        return;
    }
    if (MsgBox(delayLine(*delay) + kCrlf + kCrlf + u"このずれをつかいますか？",
               vbOKCancel + vbQuestion, u"音のずれ") == vbOK)
        SetSoundDelay(*delay);
}

// While the beat plays, F and J answer it and Esc stops it, the setting as it was; the other
// keys do nothing meanwhile: no round starts while the beat plays.
void Form1::MeasuringKeyDown(std::int16_t KeyCode)
{
    if (KeyCode == vbKeyA + ('F' - 'A') || KeyCode == vbKeyA + ('J' - 'A'))
        pressTimes.push_back(EventTime());
    else if (KeyCode == vbKeyEscape)
        EndMeasuring();
}

void Form1::EndMeasuring()
{
    Timer3.setEnabled(false);
    mnuDelay.setEnabled(true);
}

// The slot a shot is judged against: where the cat is; with the cat hidden, where it was when
// the player heard it, their sound delay before the key was pressed.
std::int16_t Form1::AimedSlot() const
{
    if (Imgput.Checked() || soundDelay == 0)
        return catPos;
    return rules::slotAt(*this, EventTime() - std::chrono::milliseconds(soundDelay) +
                                    rules::kAnswerSpread);
}
