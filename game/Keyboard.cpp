#include "platform/KeyCodes.h"
#include "platform/Runtime.h"
#include "window/Form1.h"

using namespace platform;

// The game's keys; every other key does nothing. Auto-repeat counts: holding
// F shoots once for every repeat.
void Form1::Form_KeyDown(std::int16_t &KeyCode, std::int16_t)
{
    if (Timer3.Enabled()) {
        MeasuringKeyDown(KeyCode);
        return;
    }
    switch (KeyCode) {
    case vbKeySpace: StartRound(); break;
    case vbKey0 + 1: SelectSpeed(ropiM0); break;
    case vbKey0 + 2: SelectSpeed(ropiM1); break;
    case vbKey0 + 3: SelectSpeed(ropiM2); break;
    case vbKey0 + 4: SelectSpeed(ropiM3); break;
    case vbKey0 + 5: ToggleCatVisible(); break;
    case vbKeyEscape:
        MMControl1.setCommand(u"Stop");
        MMControl1.setCommand(u"Close");
        End();
        break;
    case vbKeyA + ('F' - 'A'):
    case vbKeyA + ('J' - 'A'): Ropi(); break;
    default: break;
    }
}
