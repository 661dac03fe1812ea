#pragma once

#include "game/RoundState.h"
#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/MMControl.h"
#include "platform/MenuItem.h"
#include "platform/Timer.h"

// The game's one window. It holds the round state, every control and menu
// item, and all the handlers; the handlers live beside their subsystem:
// window/ (definition and layout), game/ (round, tick, shot, countdown, keys),
// sound/ (cues) and menu/ (speed, visibility, quit, version).
class Form1 : public platform::Form, public RoundState {
public:
    Form1();

    // Judges one shot against the cat's slot.
    void Ropi();

    // Event handlers, public so that tests and benchmarks can deliver a tick directly.
    void Form_Load() override;
    void Form_Resize() override;
    void Form_KeyDown(std::int16_t &KeyCode, std::int16_t Shift) override;
    void Timer1_Timer();
    void Timer2_Timer();
    void cmdReset_Click();
    void ropiM0_Click();
    void ropiM1_Click();
    void ropiM2_Click();
    void ropiM3_Click();
    void Imgput_Click();
    void mnuEnd_Click();
    void mnuVersion_Click();
    void mnuDelay_Click();
    void Timer3_Timer();

    // The round's operations, called by the keys and the menu.
    void StartRound();
    void SelectSpeed(platform::MenuItem &speedItem);
    void ToggleCatVisible();

    // Controls, in the order they are created.
    platform::CommandButton cmdReset;
    platform::Timer Timer2;
    platform::Frame Frame1;
    platform::Label lblShoot;
    platform::Label lblScore;
    platform::Label lblTime;
    platform::Label lblStart;
    platform::Label lblDisappear;
    platform::Label lblVeryFast;
    platform::Label lblFast;
    platform::Label lblNormal;
    platform::Label lblSlow;
    platform::Timer Timer1;
    platform::MMControl MMControl1;
    platform::Image Image1;
    platform::Timer Timer3; // the beat that measures the player's sound delay

    // The menu tree, in the order of the bar and its drop-downs.
    platform::MenuItem mnuEnd;
    platform::MenuItem Help;
    platform::MenuItem ropiMove;
    platform::MenuItem ropiM0;
    platform::MenuItem ropiM1;
    platform::MenuItem ropiM2;
    platform::MenuItem ropiM3;
    platform::MenuItem mnuSep;
    platform::MenuItem Imgput;
    platform::MenuItem mnuDelay;
    platform::MenuItem mnuVersion;

private:
    void LayOut();
    void SizeCat();
    void ClearSpeedMarks();
    void PlayCue();
    void WaitCueEnd();
    std::int16_t AimedSlot() const;
    void LoadSoundDelay();
    void MeasuringKeyDown(std::int16_t KeyCode);
    void EndMeasuring();
    void SetSoundDelay(std::int16_t delay);

    // The measurement of the sound delay, while Timer3 beats.
    std::vector<Moment> beatTimes;
    std::vector<Moment> pressTimes;
};
