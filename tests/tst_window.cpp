// The window as it is defined and as the load lays it out on a 1024 x 768
// screen (15360 x 11520 twips).
#include "TestSupport.h"

#include "platform/Screen.h"
#include "window/Form1.h"

#include <QMenuBar>
#include <QTest>

using testing::showGame;

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsSitInTheirContainersInCreationOrder();
    void controlsHaveTheirDesignedLook();
    void menuTreeAndInitialChecks();
    void windowTitleIconAndBorder();
    void loadFillsTheScreenAndLaysOutThePanel();
    void loadGivesTheFirstTexts();
    void loadStartsNothing();
    void onlyTheEnabledButtonTakesTheFocus();
    void buttonFaceIsItsOwnColourInBothStates();
};

void WindowTest::controlsSitInTheirContainersInCreationOrder()
{
    Form1 form;
    const QList<QWidget *> onWindow{&form.cmdReset, &form.Frame1, &form.Image1};
    const QList<QWidget *> inFrame{&form.lblShoot, &form.lblScore,     &form.lblTime,
                                   &form.lblStart, &form.lblDisappear, &form.lblVeryFast,
                                   &form.lblFast,  &form.lblNormal,    &form.lblSlow};
    for (QWidget *control : onWindow)
        QCOMPARE(control->parentWidget(), form.client());
    for (QWidget *control : inFrame)
        QCOMPARE(control->parentWidget(), &form.Frame1);

    // Qt keeps children in the order they were made.
    QList<QWidget *> made;
    for (QObject *child : form.client()->children())
        if (auto *widget = qobject_cast<QWidget *>(child); widget && onWindow.contains(widget))
            made << widget;
    // The cat is lowered beneath the panel and the button, the button raised
    // above the panel: stacking, not creation, decides the child list's order.
    QCOMPARE(made, (QList<QWidget *>{&form.Image1, &form.Frame1, &form.cmdReset}));
    QList<QWidget *> labels;
    for (QObject *child : form.Frame1.children())
        if (auto *widget = qobject_cast<QWidget *>(child))
            labels << widget;
    QCOMPARE(labels, inFrame);
}

void WindowTest::controlsHaveTheirDesignedLook()
{
    Form1 form;
    struct Expected {
        platform::Label *label;
        QString caption;
        QColor colour;
        double points;
    };
    const QColor yellow(255, 255, 0), white(255, 255, 255);
    const QList<Expected> labels{
        {&form.lblShoot, QStringLiteral("[ F ]か[ J ]：真ん中に来たら"), yellow, 20.25},
        {&form.lblScore, QString(), yellow, 39.75},
        {&form.lblTime, QString(), yellow, 36},
        {&form.lblStart, QStringLiteral("[ Space ]：スタート"), white, 20.25},
        {&form.lblDisappear, QStringLiteral("[ 5 ]：ろぴが消えたり出たり"), white, 20.25},
        {&form.lblVeryFast, QStringLiteral("[ 4 ]：とてもはやい"), white, 20.25},
        {&form.lblFast, QStringLiteral("[ 3 ]：はやい"), white, 20.25},
        {&form.lblNormal, QStringLiteral("[ 2 ]：ふつう"), white, 20.25},
        {&form.lblSlow, QStringLiteral("[ 1 ]：ゆっくり"), white, 20.25},
    };
    for (const Expected &e : labels) {
        QCOMPARE(e.label->Caption(), e.caption);
        QCOMPARE(e.label->palette().color(QPalette::WindowText), e.colour);
        QCOMPARE(e.label->font().pointSizeF(), e.points);
        QVERIFY(!e.label->font().italic());
        QVERIFY(!e.label->autoFillBackground()); // transparent over the navy panel
        QVERIFY(!e.label->wordWrap());
        QCOMPARE(e.label->font().families().first(), QStringLiteral("ＭＳ Ｐゴシック"));
    }
    QCOMPARE(form.Frame1.palette().color(QPalette::Window), QColor(0, 0, 128));
    QVERIFY(form.Frame1.autoFillBackground());
    QCOMPARE(form.client()->palette().color(QPalette::Window), QColor(0, 0, 0));

    QVERIFY(!form.cmdReset.Enabled());
    QCOMPARE(form.cmdReset.palette().color(QPalette::Disabled, QPalette::Button),
             QColor(128, 128, 255));
    QVERIFY(form.cmdReset.font().italic());
    QCOMPARE(form.cmdReset.font().pointSizeF(), 18.0);
    QVERIFY(!form.cmdReset.isDefault());
    QVERIFY(!form.cmdReset.autoDefault());

    QVERIFY(!form.Image1.Visible());
    QVERIFY(form.Image1.picture().image.isNull());
    QVERIFY(!form.Timer1.Enabled());
    QCOMPARE(form.Timer1.Interval(), 250);
    QVERIFY(!form.Timer2.Enabled());
    QCOMPARE(form.Timer2.Interval(), 1000);
    QCOMPARE(form.MMControl1.Mode(), platform::MMControl::kModeNotOpen);
}

void WindowTest::menuTreeAndInitialChecks()
{
    Form1 form;
    const QList<QAction *> bar = form.menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar[0], form.mnuEnd.action());
    QCOMPARE(bar[0]->text(), QStringLiteral("終了(&X)"));
    QVERIFY(!bar[0]->menu());
    QCOMPARE(bar[1], form.Help.action());
    QCOMPARE(bar[1]->text(), QStringLiteral("せってい"));
    QCOMPARE(bar[2], form.mnuVersion.action());
    QCOMPARE(bar[2]->text(), QStringLiteral("バージョン(&V)"));
    QVERIFY(!bar[2]->menu());

    const QList<QAction *> settings = form.HelpMenu.actions();
    QCOMPARE(settings.size(), 3);
    QCOMPARE(settings[0], form.ropiMove.action());
    QCOMPARE(settings[0]->text(), QStringLiteral("ろぴちゃんのすばやさ"));
    QVERIFY(settings[1]->isSeparator());
    QCOMPARE(settings[1], form.mnuSep.action());
    QCOMPARE(settings[2], form.Imgput.action());
    QCOMPARE(settings[2]->text(), QStringLiteral("ろぴちゃんがみえる"));

    const QList<QAction *> speeds = form.ropiMoveMenu.actions();
    const QStringList captions{QStringLiteral("おそい"), QStringLiteral("ふつう"),
                               QStringLiteral("はやい"), QStringLiteral("すごくはやい")};
    const QList<platform::MenuItem *> items{&form.ropiM0, &form.ropiM1, &form.ropiM2, &form.ropiM3};
    QCOMPARE(speeds.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(speeds[i], items[i]->action());
        QCOMPARE(speeds[i]->text(), captions[i]);
        QCOMPARE(items[i]->Checked(), i == 0);
        QCOMPARE(speeds[i]->isChecked(), i == 0); // the mark a player sees
    }
    QVERIFY(form.Imgput.Checked());
    QVERIFY(form.Imgput.action()->isChecked());
    for (QAction *action : bar + settings + speeds) {
        QVERIFY(action->isEnabled());
        QVERIFY(action->isVisible());
        QVERIFY(action->shortcut().isEmpty());
    }
}

void WindowTest::windowTitleIconAndBorder()
{
    Form1 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("ろぴぽあゲーム"));
    QVERIFY(!form.windowIcon().isNull());
    const QImage icon(QStringLiteral(":/ropi.png"));
    QCOMPARE(icon.size(), QSize(48, 48));
    QVERIFY(icon.hasAlphaChannel());
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
}

void WindowTest::loadFillsTheScreenAndLaysOutThePanel()
{
    auto form = showGame();
    QCOMPARE(platform::Screen::Width(), 15360.0f);
    QCOMPARE(platform::Screen::Height(), 11520.0f);
    QCOMPARE(form->Left(), 0.0f);
    QCOMPARE(form->Top(), 0.0f);
    QCOMPARE(form->Width(), 15360.0f);
    QCOMPARE(form->Height(), 11520.0f);
    QCOMPARE(form->frameGeometry(), QRect(0, 0, 1024, 768));
    QCOMPARE(form->Frame1.Width(), 15360.0f);
    QCOMPARE(form->Frame1.Height(), 3840.0f);

    struct Expected {
        platform::Placement *control;
        float top, left, width, height;
    };
    const float row = 460.8f; // single precision: 460.79998779296875
    QCOMPARE(double(row), 460.79998779296875);
    const QList<Expected> layout{
        {&form->lblSlow, 576, 512, 3072, row},       {&form->lblNormal, 1152, 512, 3072, row},
        {&form->lblFast, 1728, 512, 3072, row},      {&form->lblVeryFast, 2304, 512, 3840, row},
        {&form->lblDisappear, 576, 3840, 5120, row}, {&form->lblStart, 1152, 3840, 5120, row},
        {&form->lblTime, 576, 10752, 3840, 1152},    {&form->lblScore, 1728, 10752, 3840, 1152},
        {&form->cmdReset, 2880, 10752, 3840, 960},   {&form->lblShoot, 1728, 3840, 5120, row},
    };
    for (const Expected &e : layout) {
        QCOMPARE(e.control->Top(), e.top);
        QCOMPARE(e.control->Left(), e.left);
        QCOMPARE(e.control->Width(), e.width);
        QCOMPARE(e.control->Height(), e.height);
    }
    // In pixels the button fills the bottom of the panel under the score.
    QCOMPARE(form->cmdReset.geometry(), QRect(717, 192, 256, 64));
    QCOMPARE(form->Frame1.geometry(), QRect(0, 0, 1024, 256));
    QVERIFY(form->cmdReset.isVisible());
}

void WindowTest::loadGivesTheFirstTexts()
{
    auto form = showGame();
    QCOMPARE(form->lblTime.Caption(), QStringLiteral("TIME 120"));
    QCOMPARE(form->lblScore.Caption(), QString());
    QCOMPARE(form->cmdReset.Caption(), QStringLiteral("得点  0　おしまい\r\n[ Enter ]でリセット"));
    QCOMPARE(form->cmdReset.text(), QStringLiteral("得点  0　おしまい\n[ Enter ]でリセット"));
    QCOMPARE(form->score, 0);
    QCOMPARE(form->timeLeft, 120);
    QCOMPARE(form->catInterval, 0);
    QCOMPARE(form->catPos, 0);
    QVERIFY(form->cueFile.isEmpty());
}

void WindowTest::loadStartsNothing()
{
    auto form = showGame();
    QVERIFY(!form->Timer1.Enabled());
    QVERIFY(!form->Timer2.Enabled());
    QVERIFY(!form->cmdReset.Enabled());
    QVERIFY(!form->Image1.Visible());
    QTest::qWait(300); // longer than the cat's first period: nothing ticks
    QCOMPARE(form->lblTime.Caption(), QStringLiteral("TIME 120"));
    QVERIFY(!form->Image1.Visible());
}

void WindowTest::onlyTheEnabledButtonTakesTheFocus()
{
    auto form = showGame();
    QCOMPARE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), nullptr); // disabled: Tab finds nothing
    form->cmdReset.setEnabled(true);
    QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), &form->cmdReset);
    form->cmdReset.setEnabled(false);
    QVERIFY(QApplication::focusWidget() != &form->cmdReset);
}

// The button as the window draws it, stacked over the panel: a flat light-blue
// face inside a raised edge, and a caption that is dark only while enabled.
void WindowTest::buttonFaceIsItsOwnColourInBothStates()
{
    auto form = showGame();
    const QColor face(128, 128, 255);
    for (bool enabled : {false, true}) {
        form->cmdReset.setEnabled(enabled);
        const QImage shot = form->client()->grab(form->cmdReset.geometry()).toImage();
        int faceCount = 0, dark = 0;
        for (int y = 2; y < shot.height() - 2; ++y)
            for (int x = 2; x < shot.width() - 2; ++x) {
                const QColor pixel = shot.pixelColor(x, y);
                faceCount += pixel == face;
                dark += std::max({pixel.red(), pixel.green(), pixel.blue()}) < 100;
            }
        const int inside = (shot.width() - 4) * (shot.height() - 4);
        QVERIFY2(faceCount > inside * 3 / 4, qPrintable(QString::number(faceCount)));
        QCOMPARE(dark > 50, enabled);
        QCOMPARE(shot.pixelColor(0, shot.height() / 2).lightness() > face.lightness(), true);
        QCOMPARE(shot.pixelColor(shot.width() - 1, shot.height() / 2).lightness() <
                     face.lightness(),
                 true);
    }
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
