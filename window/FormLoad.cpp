#include "game/GameTexts.h"
#include "platform/Screen.h"
#include "window/Form1.h"

using platform::Screen;

// Fits the window to the screen and lays the panel out; then gives the round
// its first values and the panel its first texts.
void Form1::Form_Load()
{
    LayOut();
    cmdReset.setEnabled(false);
    score = 0;
    lblTime.setCaption(texts::fullTimeLine());
    timeLeft = rules::kRoundLength;
    cmdReset.setCaption(texts::buttonText(score));
    LoadSoundDelay();
}

// The screen has another shape (a phone turned): the same arrangement on it, the
// round going on as it was. A cat already out keeps its square slot.
void Form1::Form_Resize()
{
    LayOut();
    if (Timer1.Enabled()) {
        SizeCat();
        Image1.setLeft(Width() / rules::kSlots * catPos);
    }
}

// The window fills the screen and the panel takes fixed fractions of it, so
// every screen shows the same arrangement.
void Form1::LayOut()
{
    Move(0, 0, Screen::Width(), Screen::Height());
    Frame1.Move(0, 0, Screen::Width(), Screen::Height() / 3);

    // Each value is H or W times k divided by d, in double precision, handed
    // over in single precision; every control is set Top, Width, Height, Left.
    const auto H = [this](double k, double d) { return static_cast<float>(Height() * k / d); };
    const auto W = [this](double k, double d) { return static_cast<float>(Width() * k / d); };
    const auto place = [](platform::Control &control, float top, float width, float height,
                          float left) {
        control.setTop(top);
        control.setWidth(width);
        control.setHeight(height);
        control.setLeft(left);
    };
    place(lblSlow, H(1, 20), W(1, 5), H(1, 25), W(1, 30));
    place(lblNormal, H(2, 20), W(1, 5), H(1, 25), W(1, 30));
    place(lblFast, H(3, 20), W(1, 5), H(1, 25), W(1, 30));
    place(lblVeryFast, H(4, 20), W(1, 4), H(1, 25), W(1, 30));
    place(lblDisappear, H(1, 20), W(1, 3), H(1, 25), W(1, 4));
    place(lblStart, H(2, 20), W(1, 3), H(1, 25), W(1, 4));
    place(lblTime, H(1, 20), W(1, 4), H(1, 10), W(7, 10));
    place(lblScore, H(3, 20), W(1, 4), H(1, 10), W(7, 10));
    place(cmdReset, H(5, 20), W(1, 4), H(1, 12), W(7, 10));
    place(lblShoot, H(3, 20), W(1, 3), H(1, 25), W(1, 4));
}
