#include "platform/windows/WinBackend.h"

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

Backend::Modifiers heldModifiers()
{
    return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

// The key message's own time, on the clock of GetTickCount (both wrap alike).
audio::Clock::time_point pressedAt()
{
    return Backend::stampedAgo(double(DWORD(GetTickCount() - DWORD(GetMessageTime()))));
}

} // namespace

void Backend::end(Container::Native *native) { delete native; }

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
    if (win::handleContainerMessage(Backend::native(impl->form), message, wParam, lParam, result))
        return result;

    switch (message) {
    case WM_KEYDOWN:
        // Tab gives the focus to the first control that can take it; with none, it is a key
        // like any other.
        if (wParam == VK_TAB) {
            for (Control *control : impl->focusable)
                if (const HWND child = Backend::impl(*control).hwnd;
                    IsWindowEnabled(child) && IsWindowVisible(child)) {
                    SetFocus(child);
                    return 0;
                }
        }
        Backend::keyDown(impl->form, static_cast<std::int16_t>(wParam), heldModifiers(),
                         pressedAt());
        return 0;
    case WM_SYSKEYDOWN:
        // Keys with Alt, and F10, reach the game too; then the menu bar takes its access
        // keys and Alt+F4 closes the window.
        Backend::keyDown(impl->form, static_cast<std::int16_t>(wParam), heldModifiers(),
                         pressedAt());
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
    case WM_CLOSE:
        // The close box unloads the only window, and with it the program: at once, with no
        // handler of the game.
        End(0);
    default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Backend::make(Form &form, const std::u16string &caption, Color backColor)
{
    registerFormClass();
    form.impl_.reset(new Form::Impl{form});
    Form::Impl &impl = *form.impl_;
    impl.fill = CreateSolidBrush(win::fromBgr(backColor));
    impl.menuBar = CreateMenu();
    // Made first: the window procedure paints with it from the window's first message on.
    form.native_.reset(new Container::Native{nullptr, impl.fill, impl});
    // A fixed single border with a close box, and neither a minimise nor a maximise button.
    impl.hwnd = CreateWindowExW(0, kFormClass, win::wide(caption),
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                impl.menuBar, GetModuleHandleW(nullptr), &impl);
    if (!impl.hwnd)
        throw RuntimeError(kErrInternal, u"ウィンドウを作成できません。");
    // Keys are commands, not text: an input method must not turn F and J into kana.
    ImmAssociateContextEx(impl.hwnd, nullptr, IACE_CHILDREN);
    form.native_->hwnd = impl.hwnd;
    forms().push_back(&impl);
}

void Backend::end(Form::Impl *impl) { delete impl; }

void Backend::show(Form &form)
{
    ShowWindow(impl(form).hwnd, SW_SHOW);
    UpdateWindow(impl(form).hwnd);
}

void Backend::showGeometry(Form &form)
{
    // The outer size, frame and menu bar included.
    SetWindowPos(impl(form).hwnd, nullptr, toPixels(form.Left()), toPixels(form.Top()),
                 toPixels(form.Width()), toPixels(form.Height()), SWP_NOZORDER | SWP_NOACTIVATE);
}

int Backend::runEventLoop(int, char **, const std::function<std::unique_ptr<Form>()> &startup)
{
    // The picture decoder is a COM object of the window's thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::unique_ptr<Form> form = startup();
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

int Backend::screenWidthInPixels() { return GetSystemMetrics(SM_CXSCREEN); }

int Backend::screenHeightInPixels() { return GetSystemMetrics(SM_CYSCREEN); }

double Backend::screenDotsPerInch() { return win::dotsPerInch(); }

} // namespace platform
