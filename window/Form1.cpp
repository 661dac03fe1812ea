#include "window/Form1.h"

namespace {

// Colours, &H00BBGGRR&.
constexpr platform::Color kBlack = 0x000000;
constexpr platform::Color kLightBlue = 0xFF8080;
constexpr platform::Color kNavy = 0x800000;
constexpr platform::Color kYellow = 0x00FFFF;
constexpr platform::Color kWhite = 0xFFFFFF;

} // namespace

// The window as it is designed; Form_Load then fits it to the screen. Design
// positions are in twips; the nine labels sit in Frame1, the rest on the window.
Form1::Form1()
    : platform::Form(u"ろぴぽあゲーム", kBlack, 150, 1005, 8730, 6165),
      cmdReset(*this, kLightBlue, 18, true, 6900, 1725, 1155, 405), Timer2(*this, 1000),
      Frame1(*this, kNavy, 150, 120, 8325, 2175),
      lblShoot(Frame1, u"[ F ]か[ J ]：真ん中に来たら", kYellow, 20.25, 2970, 1545, 1575, 405),
      lblScore(Frame1, u"", kYellow, 39.75, 5790, 1200, 2145, 615),
      lblTime(Frame1, u"", kYellow, 36, 5640, 270, 2115, 495),
      lblStart(Frame1, u"[ Space ]：スタート", kWhite, 20.25, 2925, 750, 1755, 435),
      lblDisappear(Frame1, u"[ 5 ]：ろぴが消えたり出たり", kWhite, 20.25, 2910, 240, 1755, 375),
      lblVeryFast(Frame1, u"[ 4 ]：とてもはやい", kWhite, 20.25, 330, 1530, 1845, 315),
      lblFast(Frame1, u"[ 3 ]：はやい", kWhite, 20.25, 300, 1110, 1815, 315),
      lblNormal(Frame1, u"[ 2 ]：ふつう", kWhite, 20.25, 285, 720, 2445, 465),
      lblSlow(Frame1, u"[ 1 ]：ゆっくり", kWhite, 20.25, 315, 210, 1725, 345), Timer1(*this, 250),
      Image1(*this, 960, 1080, 1335, 1095), Timer3(*this, int(rules::kMeasuringBeat.count())),
      mnuEnd(*this, u"終了(&X)"), Help(*this, u"せってい"), ropiMove(Help, u"ろぴちゃんのすばやさ"),
      ropiM0(ropiMove, u"おそい", true), ropiM1(ropiMove, u"ふつう"), ropiM2(ropiMove, u"はやい"),
      ropiM3(ropiMove, u"すごくはやい"), mnuSep(Help, u"-"),
      Imgput(Help, u"ろぴちゃんがみえる", true), mnuDelay(Help, u"音のずれをはかる…"),
      mnuVersion(*this, u"バージョン(&V)")
{
    cmdReset.setEnabled(false);
    Image1.setVisible(false);
    // The button stands in front of the panel; the cat is drawn on the window
    // itself, under both.
    cmdReset.ZOrder(0);
    Image1.ZOrder(1);

    Timer1.Tick.connect(*this, &Form1::Timer1_Timer);
    Timer2.Tick.connect(*this, &Form1::Timer2_Timer);
    Timer3.Tick.connect(*this, &Form1::Timer3_Timer);
    cmdReset.Click.connect(*this, &Form1::cmdReset_Click);
    ropiM0.Click.connect(*this, &Form1::ropiM0_Click);
    ropiM1.Click.connect(*this, &Form1::ropiM1_Click);
    ropiM2.Click.connect(*this, &Form1::ropiM2_Click);
    ropiM3.Click.connect(*this, &Form1::ropiM3_Click);
    Imgput.Click.connect(*this, &Form1::Imgput_Click);
    mnuEnd.Click.connect(*this, &Form1::mnuEnd_Click);
    mnuVersion.Click.connect(*this, &Form1::mnuVersion_Click);
    mnuDelay.Click.connect(*this, &Form1::mnuDelay_Click);
}
