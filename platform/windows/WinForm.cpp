#include "platform/windows/WinBackend.h"

#include "platform/KeyCodes.h"
#include "platform/Screen.h"

#include <imm.h>
#include <objbase.h>

#include <algorithm>

namespace platform {

namespace {

constexpr wchar_t kFormClass[] = L"RopiForm";

std::vector<Form::Impl *> &forms()
{
    static std::vector<Form::Impl *> all;
    return all;
}

void registerFormClass()
{
    static const bool registered = [] {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Form::Impl::procedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        // The icon of the executable, as Explorer shows it too.
        windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON,
                                                          GetSystemMetrics(SM_CXICON),
                                                          GetSystemMetrics(SM_CYICON), 0));
        windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON,
                                                            GetSystemMetrics(SM_CXSMICON),
                                                            GetSystemMetrics(SM_CYSMICON), 0));
        windowClass.lpszClassName = kFormClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

std::int16_t shiftState()
{
    return static_cast<std::int16_t>((GetKeyState(VK_SHIFT) < 0 ? vbShiftMask : 0) |
                                     (GetKeyState(VK_CONTROL) < 0 ? vbCtrlMask : 0) |
                                     (GetKeyState(VK_MENU) < 0 ? vbAltMask : 0));
}

} // namespace

Container::Container() = default;
Container::~Container() = default;

Form::Impl::~Impl()
{
    forms().erase(std::remove(forms().begin(), forms().end(), this), forms().end());
    if (hwnd)
        DestroyWindow(hwnd); // and its menu
    DeleteObject(fill);
}

LRESULT CALLBACK Form::Impl::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *created = reinterpret_cast<CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(created->lpCreateParams));
    }
    auto *impl = reinterpret_cast<Form::Impl *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!impl)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    if (win::handleChildMessage(impl->fill, message, wParam, lParam, result))
        return result;

    switch (message) {
    case WM_KEYDOWN:
        // Tab gives the focus to the first control that can take it; with none, it is a key
        // like any other.
        if (wParam == VK_TAB) {
            for (Control *control : impl->focusable)
                if (IsWindowEnabled(control->impl().hwnd) &&
                    IsWindowVisible(control->impl().hwnd)) {
                    SetFocus(control->impl().hwnd);
                    return 0;
                }
        }
        impl->form.keyDown(static_cast<std::int16_t>(wParam), shiftState());
        return 0;
    case WM_SYSKEYDOWN:
        // Keys with Alt, and F10, reach the game too; then the menu bar takes its access
        // keys and Alt+F4 closes the window.
        impl->form.keyDown(static_cast<std::int16_t>(wParam), shiftState());
        break;
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) == 0) { // a menu entry
            if (const auto item = impl->menuItems.find(LOWORD(wParam));
                item != impl->menuItems.end())
                item->second->Click.raise();
            return 0;
        }
        break;
    case win::kTickMessage:
        win::deliverTick(*reinterpret_cast<Timer::Impl *>(lParam), wParam);
        return 0;
    case WM_ACTIVATE:
        // The control that had the focus has it again when the window comes back, after a
        // message box too; otherwise the window itself takes the keys.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            impl->focusBeforeLeaving = focus && IsChild(hwnd, focus) ? focus : nullptr;
        } else {
            const HWND back = impl->focusBeforeLeaving;
            SetFocus(back && IsWindow(back) && IsWindowEnabled(back) ? back : hwnd);
        }
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, impl->fill);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(hwnd, &paint);
        win::paintImages(*impl, dc, paint.rcPaint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_CLOSE:
        // The close box unloads the only window, and with it the program: at once, with no
        // handler of the game.
        End(0);
    default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

Form::Form(std::u16string caption, Color backColor, float clientLeft, float clientTop,
           float clientWidth, float clientHeight)
    : left_(clientLeft), top_(clientTop), width_(clientWidth), height_(clientHeight),
      impl_(new Impl{*this})
{
    registerFormClass();
    impl_->fill = CreateSolidBrush(win::fromBgr(backColor));
    impl_->menuBar = CreateMenu();
    // A fixed single border with a close box, and neither a minimise nor a maximise button.
    impl_->hwnd = CreateWindowExW(0, kFormClass, win::wide(caption),
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, impl_->menuBar, GetModuleHandleW(nullptr), impl_.get());
    if (!impl_->hwnd)
        throw RuntimeError(kErrInternal, u"ウィンドウを作成できません。");
    // Keys are commands, not text: an input method must not turn F and J into kana.
    ImmAssociateContextEx(impl_->hwnd, nullptr, IACE_CHILDREN);
    native_ = std::make_unique<Native>(Native{impl_->hwnd, impl_->fill, *impl_});
    forms().push_back(impl_.get());
    showGeometry();
}

Form::~Form() = default;

void Form::Show()
{
    ShowWindow(impl_->hwnd, SW_SHOW);
    UpdateWindow(impl_->hwnd);
}

void Form::showGeometry()
{
    // The outer size, frame and menu bar included.
    SetWindowPos(impl_->hwnd, nullptr, toPixels(left_), toPixels(top_), toPixels(width_),
                 toPixels(height_), SWP_NOZORDER | SWP_NOACTIVATE);
}

int run(std::unique_ptr<Form> (*createStartupForm)(), int, char **)
{
    // The picture decoder is a COM object of the window's thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::unique_ptr<Form> form;
    guarded([&] {
        form = createStartupForm();
        form->Load();
        form->Show();
    });
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}

namespace win {

HWND windowOnScreen()
{
    for (const Form::Impl *form : forms())
        if (IsWindowVisible(form->hwnd))
            return form->hwnd;
    return nullptr;
}

} // namespace win

int Screen::widthInPixels() { return GetSystemMetrics(SM_CXSCREEN); }

int Screen::heightInPixels() { return GetSystemMetrics(SM_CYSCREEN); }

double Screen::logicalDotsPerInch() { return win::dotsPerInch(); }

} // namespace platform
