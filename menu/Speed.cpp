#include "window/Form1.h"

// Speed and visibility are only recorded here; the cat's next jump reads them.

void Form1::ClearSpeedMarks()
{
    ropiM0.setChecked(false);
    ropiM1.setChecked(false);
    ropiM2.setChecked(false);
    ropiM3.setChecked(false);
}

void Form1::SelectSpeed(platform::MenuItem &speedItem)
{
    ClearSpeedMarks();
    speedItem.setChecked(true);
    if (&speedItem == &ropiM0)
        catInterval = rules::kSlow;
    else if (&speedItem == &ropiM1)
        catInterval = rules::kNormal;
    else if (&speedItem == &ropiM2)
        catInterval = rules::kFast;
    else if (&speedItem == &ropiM3)
        catInterval = rules::kVeryFast;
}

void Form1::ToggleCatVisible() { Imgput.setChecked(!Imgput.Checked()); }

void Form1::ropiM0_Click() { SelectSpeed(ropiM0); }
void Form1::ropiM1_Click() { SelectSpeed(ropiM1); }
void Form1::ropiM2_Click() { SelectSpeed(ropiM2); }
void Form1::ropiM3_Click() { SelectSpeed(ropiM3); }
void Form1::Imgput_Click() { ToggleCatVisible(); }
