#include "platform/Services.h"
#include "window/Form1.h"

// Space: sizes the cat to one slot at mid-height, loads its picture afresh,
// re-seeds the slots and lets both timers run. The start is not a reset: score
// and time carry on as they are.
void Form1::StartRound()
{
    SizeCat();
    Image1.setPicture(platform::LoadPicture(u"Cat.gif"));
    // Until a speed is chosen the cat keeps the slow pace whose mark the menu
    // shows from the start; a speed chosen before the start is kept.
    if (catInterval == 0)
        catInterval = rules::kSlow;
    platform::Randomize();
    Timer1.setEnabled(true);
    Timer2.setEnabled(true);
    mnuDelay.setEnabled(false); // the sound delay is measured between rounds
}

// One slot wide, at mid-height.
void Form1::SizeCat()
{
    Image1.setTop(Height() / 2 - Width() / 20);
    Image1.setWidth(Width() / rules::kSlots);
    Image1.setHeight(Width() / rules::kSlots); // from the width too: the cat is square
}
