#include "window/Form1.h"

#include <QIcon>
#include <QMenuBar>

namespace {

// Colours, &H00BBGGRR&.
constexpr quint32 kBlack = 0x000000;
constexpr quint32 kLightBlue = 0xFF8080;
constexpr quint32 kNavy = 0x800000;
constexpr quint32 kYellow = 0x00FFFF;
constexpr quint32 kWhite = 0xFFFFFF;

} // namespace

// The icon is built into the game's library; a static library must ask for its
// resources to be registered.
static void registerResources() { Q_INIT_RESOURCE(assets); }

// The window as it is designed; Form_Load then fits it to the screen. Design
// positions are in twips; the nine labels sit in Frame1, the rest on the window.
Form1::Form1()
    : platform::Form(QStringLiteral("ろぴぽあゲーム"), kBlack, 150, 1005, 8730, 6165),
      cmdReset(client(), kLightBlue, 18, true, 6900, 1725, 1155, 405), Timer2(this, 1000),
      Frame1(client(), kNavy, 150, 120, 8325, 2175),
      lblShoot(&Frame1, QStringLiteral("[ F ]か[ J ]：真ん中に来たら"), kYellow, 20.25, 2970, 1545,
               1575, 405),
      lblScore(&Frame1, QString(), kYellow, 39.75, 5790, 1200, 2145, 615),
      lblTime(&Frame1, QString(), kYellow, 36, 5640, 270, 2115, 495),
      lblStart(&Frame1, QStringLiteral("[ Space ]：スタート"), kWhite, 20.25, 2925, 750, 1755, 435),
      lblDisappear(&Frame1, QStringLiteral("[ 5 ]：ろぴが消えたり出たり"), kWhite, 20.25, 2910, 240,
                   1755, 375),
      lblVeryFast(&Frame1, QStringLiteral("[ 4 ]：とてもはやい"), kWhite, 20.25, 330, 1530, 1845,
                  315),
      lblFast(&Frame1, QStringLiteral("[ 3 ]：はやい"), kWhite, 20.25, 300, 1110, 1815, 315),
      lblNormal(&Frame1, QStringLiteral("[ 2 ]：ふつう"), kWhite, 20.25, 285, 720, 2445, 465),
      lblSlow(&Frame1, QStringLiteral("[ 1 ]：ゆっくり"), kWhite, 20.25, 315, 210, 1725, 345),
      Timer1(this, 250), Image1(client(), 960, 1080, 1335, 1095),
      mnuEnd(menuBar()->addAction(QStringLiteral("終了(&X)")), false),
      HelpMenu(QStringLiteral("せってい")), Help(menuBar()->addMenu(&HelpMenu), false),
      ropiMoveMenu(QStringLiteral("ろぴちゃんのすばやさ")),
      ropiMove(HelpMenu.addMenu(&ropiMoveMenu), false),
      ropiM0(ropiMoveMenu.addAction(QStringLiteral("おそい")), true, true),
      ropiM1(ropiMoveMenu.addAction(QStringLiteral("ふつう")), true),
      ropiM2(ropiMoveMenu.addAction(QStringLiteral("はやい")), true),
      ropiM3(ropiMoveMenu.addAction(QStringLiteral("すごくはやい")), true),
      mnuSep(HelpMenu.addSeparator(), false),
      Imgput(HelpMenu.addAction(QStringLiteral("ろぴちゃんがみえる")), true, true),
      mnuVersion(menuBar()->addAction(QStringLiteral("バージョン(&V)")), false)
{
    registerResources();
    setWindowIcon(QIcon(QStringLiteral(":/ropi.png")));

    cmdReset.setEnabled(false);
    Image1.hide();
    // The button stands in front of the panel; the cat is drawn on the window
    // itself, under both.
    cmdReset.raise();
    Image1.lower();

    on(&Timer1, &platform::Timer::tick, &Form1::Timer1_Timer);
    on(&Timer2, &platform::Timer::tick, &Form1::Timer2_Timer);
    on(&cmdReset, &QPushButton::clicked, &Form1::cmdReset_Click);
    on(&ropiM0, &platform::MenuItem::Click, &Form1::ropiM0_Click);
    on(&ropiM1, &platform::MenuItem::Click, &Form1::ropiM1_Click);
    on(&ropiM2, &platform::MenuItem::Click, &Form1::ropiM2_Click);
    on(&ropiM3, &platform::MenuItem::Click, &Form1::ropiM3_Click);
    on(&Imgput, &platform::MenuItem::Click, &Form1::Imgput_Click);
    on(&mnuEnd, &platform::MenuItem::Click, &Form1::mnuEnd_Click);
    on(&mnuVersion, &platform::MenuItem::Click, &Form1::mnuVersion_Click);
}
