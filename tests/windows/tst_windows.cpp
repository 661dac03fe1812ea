// What the Windows backend promises the game, where Win32 alone would not: a
// tick that fell due while the window was busy comes once, an Interval of 0
// never ticks, a menu choice never toggles its mark and a disabled entry is
// greyed, a key is handled as pressed when Windows stamped it, a box answers
// with the button chosen, settings are kept in the registry as Visual Basic's
// runtime keeps them, the button keeps keys to itself only while it holds the
// focus, a new caption flashes no other colour across it, Alt with a game key
// is the game's, the window keeps its size and has a close box only, the cat is
// read with WIC, an Image shows in a Frame as on the window, a shot's hold lasts
// until the device has played its cue, and the game's files are read only when
// they are plain files of a bounded size.
#include "Check.h"
#include "Files.h"

#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/MMControl.h"
#include "platform/MenuItem.h"
#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/Timer.h"
#include "platform/windows/WinBackend.h"
#include "window/Form1.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

using namespace platform;

namespace {

// A window that notes the keys that reach it.
class KeyWindow : public Form {
public:
    KeyWindow()
        : Form(u"test", 0, 0, 0, 3000, 3000), button(*this, 0xFF8080, 9, false, 0, 0, 900, 300)
    {
        button.Click.connect([this] { ++clicks; });
        Show();
    }
    void Form_KeyDown(std::int16_t &KeyCode, std::int16_t) override { keys.push_back(KeyCode); }

    CommandButton button;
    std::vector<int> keys;
    int clicks = 0;
};

// Handles what is in the thread's queue now, as the window's loop would.
void handleQueued()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A key as Windows delivers it: to whichever window holds the focus.
void press(WPARAM key)
{
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    handleQueued();
}

// A key with Alt held, as Windows delivers it: a system key, with Alt down in the key state
// and in the message's own bits.
void pressWithAlt(WPARAM key)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(GetFocus(), WM_SYSKEYDOWN, key, 1 | 1 << 29);
    handleQueued();
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
}

// A waveOut device that takes a buffer's samples in real time and marks it done once it has
// them all, while they reach the speaker `lag` later, as through Windows' audio engine: its
// played position trails its done flag. A `stuck` device never plays anything.
namespace lagging {

using Clock = std::chrono::steady_clock;

struct Device {
    std::chrono::milliseconds lag{};
    bool stuck = false;
    HANDLE event = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    WAVEHDR *taking = nullptr; // the buffer whose samples it is taking
    Clock::time_point writtenAt;
    DWORD start = 0, length = 0; // the last buffer's first frame and its length
    std::thread taker;
} device;

// Done with the buffer it is taking, whole or not.
void letGo(std::unique_lock<std::mutex> &lock)
{
    if (device.taking)
        device.taking->dwFlags |= WHDR_DONE;
    device.taking = nullptr;
    device.changed.notify_all();
    lock.unlock();
    if (device.taker.joinable())
        device.taker.join();
    lock.lock();
}

MMRESULT WINAPI open(HWAVEOUT *out, UINT, const WAVEFORMATEX *, DWORD_PTR event, DWORD_PTR, DWORD)
{
    *out = reinterpret_cast<HWAVEOUT>(&device);
    device.event = reinterpret_cast<HANDLE>(event);
    device.start = device.length = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI reset(HWAVEOUT)
{
    std::unique_lock lock(device.mutex);
    letGo(lock);
    device.start = device.length = 0;
    SetEvent(device.event);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI close(HWAVEOUT out) { return reset(out); }
MMRESULT WINAPI prepare(HWAVEOUT, WAVEHDR *, UINT) { return MMSYSERR_NOERROR; }
MMRESULT WINAPI unprepare(HWAVEOUT, WAVEHDR *header, UINT)
{
    std::lock_guard lock(device.mutex);
    return header == device.taking ? WAVERR_STILLPLAYING : MMSYSERR_NOERROR;
}

MMRESULT WINAPI write(HWAVEOUT, WAVEHDR *header, UINT)
{
    std::unique_lock lock(device.mutex);
    letGo(lock);
    header->dwFlags &= ~DWORD(WHDR_DONE);
    device.taking = header;
    device.start += device.length;
    device.length = header->dwBufferLength / 4;
    device.writtenAt = Clock::now();
    const auto taken = device.writtenAt + std::chrono::milliseconds(device.length / 48);
    device.taker = std::thread([header, taken] {
        std::unique_lock lock(device.mutex);
        if (!device.changed.wait_until(lock, taken, [header] { return device.taking != header; })) {
            header->dwFlags |= WHDR_DONE;
            device.taking = nullptr;
            SetEvent(device.event);
        }
    });
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI position(HWAVEOUT, MMTIME *time, UINT)
{
    std::lock_guard lock(device.mutex);
    const auto heard = Clock::now() - device.writtenAt - device.lag;
    const auto frames =
        std::chrono::duration_cast<std::chrono::microseconds>(heard).count() / 1000 * 48;
    time->wType = TIME_SAMPLES;
    time->u.sample =
        device.stuck ? 0 : device.start + DWORD(std::clamp<long long>(frames, 0, device.length));
    return MMSYSERR_NOERROR;
}

} // namespace lagging

} // namespace

TEST(aTickThatFellDueComesOnce)
{
    KeyWindow window;
    Timer timer(window, 200);
    int ticks = 0;
    timer.Tick.connect([&ticks] { ++ticks; });
    handleQueued(); // the new window's own messages first
    timer.setEnabled(true);
    Sleep(1100); // the window is busy, as while a shot's cue sounds, over five periods
    handleQueued();
    CHECK_EQ(ticks, 1);
    timer.setInterval(0);
    Sleep(300);
    handleQueued();
    CHECK_EQ(ticks, 1);
    timer.setInterval(200); // counts from now: one tick by 300 ms
    Sleep(300);
    handleQueued();
    CHECK_EQ(ticks, 2);
    timer.setEnabled(false);
    Sleep(300);
    handleQueued();
    CHECK_EQ(ticks, 2);
}

TEST(aMenuChoiceNeverTogglesTheMark)
{
    KeyWindow window;
    MenuItem menu(window, u"せってい");
    MenuItem checked(menu, u"a", true), unchecked(menu, u"b");
    int clicks = 0;
    checked.Click.connect([&clicks] { ++clicks; });
    for (const MenuItem *item : {&checked, &unchecked})
        SendMessageW(Backend::impl(window).hwnd, WM_COMMAND, Backend::impl(*item).id, 0);
    CHECK_EQ(clicks, 1);
    const auto marked = [](const MenuItem &item) {
        return (GetMenuState(Backend::impl(item).owner, Backend::impl(item).id, MF_BYCOMMAND) &
                MF_CHECKED) != 0;
    };
    CHECK(marked(checked) && !marked(unchecked));
    unchecked.setChecked(true);
    CHECK(marked(unchecked));
    unchecked.setEnabled(false);
    CHECK(GetMenuState(Backend::impl(unchecked).owner, Backend::impl(unchecked).id, MF_BYCOMMAND) &
          MF_GRAYED);
}

TEST(aKeyIsHandledAsPressedWhenWindowsStampedIt)
{
    struct StampWindow : KeyWindow {
        void Form_KeyDown(std::int16_t &, std::int16_t) override { pressed = EventTime(); }
        std::chrono::steady_clock::time_point pressed;
    } window;
    SetFocus(Backend::impl(window).hwnd);
    PostMessageW(GetFocus(), WM_KEYDOWN, 'F', 1);
    Sleep(300); // the window busy, as in the hold of a shot
    const auto taken = std::chrono::steady_clock::now();
    handleQueued();
    CHECK(taken - window.pressed >= std::chrono::milliseconds(250));
}

TEST(aBoxAnswersWithTheButtonChosen)
{
    for (const auto &[style, button, answer] :
         {std::tuple{int(vbYesNoCancel), IDNO, int(vbNo)},
          std::tuple{int(vbOKCancel), IDCANCEL, int(vbCancel)}}) {
        std::thread player([button = button] {
            HWND box = nullptr;
            while (!(box = FindWindowW(L"#32770", L"box")))
                Sleep(10);
            PostMessageW(box, WM_COMMAND, button, 0);
        });
        CHECK_EQ(MsgBox(u"?", style, u"box"), answer);
        player.join();
    }
}

TEST(settingsAreKeptInTheRegistryAsVisualBasicKeepsThem)
{
    const wchar_t *key = L"Software\\VB and VBA Program Settings\\ropi-test";
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    CHECK_EQ(GetSetting(u"ropi-test", u"Sound", u"Delay", u"none"), u"none");
    SaveSetting(u"ropi-test", u"Sound", u"Delay", u"210");
    wchar_t value[16] = {};
    DWORD bytes = sizeof value;
    CHECK(RegGetValueW(HKEY_CURRENT_USER,
                       L"Software\\VB and VBA Program Settings\\ropi-test\\Sound", L"Delay",
                       RRF_RT_REG_SZ, nullptr, value, &bytes) == ERROR_SUCCESS &&
          std::wstring(value) == L"210");
    CHECK_EQ(GetSetting(u"ropi-test", u"Sound", u"Delay"), u"210");
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

TEST(theButtonKeepsKeysOnlyWhileItHoldsTheFocus)
{
    KeyWindow window;
    SetFocus(Backend::impl(window).hwnd);
    window.button.setEnabled(false);
    press(VK_TAB); // nothing can take the focus: Tab is a key like any other
    press(VK_RETURN);
    CHECK(window.keys == (std::vector<int>{VK_TAB, VK_RETURN}) && window.clicks == 0);

    window.button.setEnabled(true);
    press(VK_TAB);
    CHECK(GetFocus() == Backend::impl(window.button).hwnd);
    press('F');
    press(VK_ESCAPE);
    CHECK_EQ(window.keys.size(), std::size_t(2));
    press(VK_RETURN);
    CHECK_EQ(window.clicks, 1);
    window.button.setEnabled(false); // the keys are the window's again
    press('F');
    CHECK(window.keys.back() == 'F');
}

// Before a button draws a new caption, Windows' own code clears the old one with the brush its
// container gives: a band of another colour than the face would flash across the button.
TEST(aNewCaptionFlashesNoOtherColourAcrossTheButton)
{
    KeyWindow window;
    window.button.setCaption(u"10");
    handleQueued();
    static COLORREF cleared = CLR_INVALID; // the face's middle as the new caption is drawn
    const SUBCLASSPROC beforeDrawing = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
        if (const auto *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
            message == WM_DRAWITEM)
            cleared = GetPixel(item->hDC, item->rcItem.right / 2, item->rcItem.bottom / 2);
        return DefSubclassProc(hwnd, message, wParam, lParam);
    };
    SetWindowSubclass(Backend::impl(window).hwnd, beforeDrawing, 0, 0);
    window.button.setCaption(u"得点 -10\r\nおしまい");
    handleQueued();
    RemoveWindowSubclass(Backend::impl(window).hwnd, beforeDrawing, 0);
    CHECK_EQ(cleared, RGB(0x80, 0x80, 0xFF)); // the face, 0xFF8080 in the game's BGR
}

TEST(altWithAGameKeyIsTheGames)
{
    Form1 game; // its menu bar has access keys only for 終了 and バージョン
    game.Load();
    game.Show();
    SetFocus(Backend::impl(game).hwnd);
    const std::pair<WPARAM, int> speeds[] = {{'1', 2000}, {'2', 1000}, {'3', 500}, {'4', 250}};
    for (const auto &[key, interval] : speeds) {
        pressWithAlt(key);
        CHECK_EQ(game.catInterval, interval);
    }
    pressWithAlt('5');
    CHECK(!game.Imgput.Checked());
    pressWithAlt('F');
    pressWithAlt('J');
    CHECK_EQ(game.score, -20); // two misses, the cat at the left
}

TEST(theWindowKeepsItsSizeAndHasACloseBoxOnly)
{
    KeyWindow window; // shown, as the game's
    const LONG_PTR style = GetWindowLongPtrW(Backend::impl(window).hwnd, GWL_STYLE);
    CHECK((style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU));
    CHECK((style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) == 0);
}

TEST(theCatIsReadAndABrokenOneIsRefused)
{
    testfiles::Folder folder;
    const media::Bytes cat = testfiles::catPicture();
    folder.write(u"Cat.gif", cat);
    const Picture picture = LoadPicture(u"Cat.gif");
    const Picture::Impl *decoded = Backend::impl(picture);
    CHECK(decoded && decoded->width == 256 && decoded->height == 256);
    media::Bytes broken(213, 0xFF); // the header, then no picture
    std::copy_n(cat.begin(), 13, broken.begin());
    folder.write(u"Cat.gif", broken);
    int error = 0;
    try {
        LoadPicture(u"Cat.gif");
    } catch (const RuntimeError &raised) {
        error = raised.number();
    }
    CHECK_EQ(error, int(kErrInvalidPicture));
}

// An Image has no window of its own: the container it is in paints it.
TEST(anImageShowsInAFrame)
{
    testfiles::Folder folder;
    folder.write(u"Cat.gif", testfiles::catPicture());
    Form window(u"test", 0, 0, 0, 6000, 6000);
    constexpr Color kNavy = 0x800000;
    Frame frame(window, kNavy, 0, 0, 3000, 3000); // 200 pixels square at 96 dpi
    Image image(frame, 750, 750, 1500, 1500);     // its middle half
    image.setPicture(LoadPicture(u"Cat.gif"));
    window.Show();
    RedrawWindow(Backend::impl(window).hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    handleQueued();

    const HWND surface = Backend::native(frame).hwnd;
    const HDC dc = GetDC(surface);
    const RECT cat = Backend::impl(image).rect;
    int inside = 0, catPixels = 0, strayPixels = 0;
    for (int y = 0; y < 200; y += 4)
        for (int x = 0; x < 200; x += 4) {
            const bool navy = GetPixel(dc, x, y) == RGB(0, 0, 0x80);
            if (x >= cat.left && x < cat.right && y >= cat.top && y < cat.bottom) {
                ++inside;
                catPixels += navy ? 0 : 1;
            } else {
                strayPixels += navy ? 0 : 1;
            }
        }
    ReleaseDC(surface, dc);
    CHECK_EQ(strayPixels, 0);      // the frame's own colour around it
    CHECK(catPixels * 5 > inside); // and the cat over a good part of its place
}

TEST(onlyPlainFilesOfBoundedSizeAreRead) { CHECK_EQ(testfiles::readingFaults(), std::string()); }

// A buffer is done once the device has taken its samples, which may still be on their way to
// the speaker: the hold of a shot lasts until the device has played the cue's end, and no
// longer than the cue and its margin on a device that plays nothing.
TEST(theHoldLastsUntilTheDeviceHasPlayedTheCue)
{
    using namespace std::chrono_literals;
    testfiles::Folder folder;
    folder.write(u"ピンポン.wav", testfiles::tone(100));
    const win::WaveOut real = win::waveOut;
    win::waveOut = {lagging::open,  lagging::close, lagging::prepare, lagging::unprepare,
                    lagging::write, lagging::reset, lagging::position};
    for (const bool stuck : {false, true}) {
        lagging::device.lag = 200ms;
        lagging::device.stuck = stuck;
        MMControl control;
        control.setFileName(u"ピンポン.wav");
        control.setCommand(u"Open");
        const auto start = audio::now();
        control.setCommand(u"Play");
        while (control.Mode() == MMControl::kModePlay)
            control.waitForModeChange(5ms);
        const auto held = audio::now() - start;
        // The buffer, the cue and 50 ms of silence, is done at 150 ms; the cue is heard at 300.
        if (!stuck)
            CHECK(held >= 290ms && held < 390ms);
        else // the cue's length, the silence and the margin of a quarter second
            CHECK(held >= 390ms && held < 800ms);
    }
    win::waveOut = real;
}
