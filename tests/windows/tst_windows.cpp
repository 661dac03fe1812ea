// What the Windows backend promises the game, where Win32 alone would not: those every backend
// keeps (tests/shared/Promises.h), a key handled as pressed when Windows stamped it, a box
// answering with the button chosen, settings kept in the registry as Visual Basic's runtime
// keeps them, the button keeping keys to itself only while it holds the focus and flashing no
// other colour across it at a new caption, Alt with a game key the game's, the window keeping
// its size with a close box only, an Image shown in a Frame as on the window, and a shot's hold
// lasting until the device has played its cue.
#include "Check.h"
#include "Files.h"
#include "Promises.h"

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
    void Form_KeyDown(std::int16_t &KeyCode, std::int16_t) override
    {
        keys.push_back(KeyCode);
        pressed = EventTime();
    }

    CommandButton button;
    std::vector<int> keys;
    std::chrono::steady_clock::time_point pressed; // the last key
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

// A waveOut device that is done with a buffer at once, while its samples reach the speaker
// `lag` later, as through Windows' audio engine: its played position trails its done flag. A
// `stuck` device never plays anything.
namespace lagging {

struct Device {
    std::chrono::milliseconds lag{};
    bool stuck = false;
    HANDLE event = nullptr;
    std::chrono::steady_clock::time_point writtenAt;
    DWORD start = 0, length = 0; // the last buffer's first frame and its length
} device;

MMRESULT WINAPI open(HWAVEOUT *out, UINT, const WAVEFORMATEX *, DWORD_PTR event, DWORD_PTR, DWORD)
{
    *out = reinterpret_cast<HWAVEOUT>(&device);
    device.event = reinterpret_cast<HANDLE>(event);
    device.start = device.length = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI reset(HWAVEOUT)
{
    device.start = device.length = 0;
    SetEvent(device.event);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI close(HWAVEOUT out) { return reset(out); }
MMRESULT WINAPI accept(HWAVEOUT, WAVEHDR *, UINT) { return MMSYSERR_NOERROR; } // (un)prepare

MMRESULT WINAPI write(HWAVEOUT, WAVEHDR *header, UINT)
{
    header->dwFlags |= WHDR_DONE;
    device.start += device.length;
    device.length = header->dwBufferLength / 4;
    device.writtenAt = std::chrono::steady_clock::now();
    SetEvent(device.event);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI position(HWAVEOUT, MMTIME *time, UINT)
{
    const auto heard = std::chrono::steady_clock::now() - device.writtenAt - device.lag;
    const auto frames =
        std::chrono::duration_cast<std::chrono::microseconds>(heard).count() / 1000 * 48;
    time->wType = TIME_SAMPLES;
    time->u.sample =
        device.stuck ? 0 : device.start + DWORD(std::clamp<long long>(frames, 0, device.length));
    return MMSYSERR_NOERROR;
}

} // namespace lagging

} // namespace

// The promises every backend keeps, as Win32 keeps them: menus, timers, files and pictures.
TEST(keepsThePromisesOfEveryBackend)
{
    KeyWindow window;
    const auto shows = [](const MenuItem &item, UINT state) {
        return (GetMenuState(Backend::impl(item).owner, Backend::impl(item).id, MF_BYCOMMAND) &
                state) != 0;
    };
    const promises::System system{handleQueued,
                                  [&window](MenuItem &item) {
                                      SendMessageW(Backend::impl(window).hwnd, WM_COMMAND,
                                                   Backend::impl(item).id, 0);
                                  },
                                  [shows](const MenuItem &item) { return shows(item, MF_CHECKED); },
                                  [shows](const MenuItem &item) { return shows(item, MF_GRAYED); }};
    CHECK_EQ(promises::menuFaults(window, system) + promises::timerFaults(window, system) +
                 promises::fileFaults() + promises::pictureFaults(),
             std::string());
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

// The window keeps its size and has a close box only; a key is handled as pressed when Windows
// stamped it; the button keeps keys to itself only while it holds the focus.
TEST(theWindowAndTheKeysThatReachIt)
{
    KeyWindow window; // shown, as the game's
    const LONG_PTR style = GetWindowLongPtrW(Backend::impl(window).hwnd, GWL_STYLE);
    CHECK((style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU));
    CHECK((style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) == 0);
    SetFocus(Backend::impl(window).hwnd);
    PostMessageW(GetFocus(), WM_KEYDOWN, 'F', 1);
    Sleep(300); // the window busy, as in the hold of a shot
    const auto taken = std::chrono::steady_clock::now();
    handleQueued();
    CHECK(taken - window.pressed >= std::chrono::milliseconds(250));

    window.keys.clear();
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
    Form1 game;
    game.Load();
    game.Show();
    SetFocus(Backend::impl(game).hwnd);
    CHECK_EQ(promises::altKeyFaults(game, [](char key) { pressWithAlt(key); }), std::string());
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

// A buffer is done once the device has taken its samples, which may still be on their way to
// the speaker: the hold of a shot lasts until the device has played the cue's end, and no
// longer than the cue and its margin on a device that plays nothing.
TEST(theHoldLastsUntilTheDeviceHasPlayedTheCue)
{
    using namespace std::chrono_literals;
    testfiles::Folder folder;
    folder.write(u"ピンポン.wav", testfiles::tone(100));
    const win::WaveOut real = win::waveOut;
    win::waveOut = {lagging::open,  lagging::close, lagging::accept,  lagging::accept,
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
        // The buffer, the cue and 50 ms of silence, is done at once; the cue is heard at 300.
        if (!stuck)
            CHECK(held >= 290ms && held < 390ms);
        else // the cue's length, the silence and the margin of a quarter second
            CHECK(held >= 390ms && held < 800ms);
    }
    win::waveOut = real;
}
