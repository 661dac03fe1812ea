#include "platform/windows/WinBackend.h"

#include <commctrl.h>

namespace platform {

namespace {

constexpr wchar_t kFrameClass[] = L"RopiFrame";

Control::Impl *implOf(HWND hwnd)
{
    return reinterpret_cast<Control::Impl *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

// A child window of the control's own, made in the container at the control's place.
HWND makeChild(Control::Impl &impl, const wchar_t *windowClass, const std::u16string &text,
               DWORD style)
{
    impl.hwnd = CreateWindowExW(0, windowClass, win::wide(text),
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                                impl.container.hwnd, nullptr, instance(), nullptr);
    if (!impl.hwnd)
        throw RuntimeError(kErrInternal, u"コントロールを作成できません。");
    SetWindowLongPtrW(impl.hwnd, GWLP_USERDATA, LONG_PTR(&impl));
    return impl.hwnd;
}

LRESULT CALLBACK frameProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Control::Impl *impl = implOf(hwnd);
    LRESULT result = 0;
    if (impl && win::handleContainerMessage(Backend::native(static_cast<Frame &>(impl->control)),
                                            message, wParam, lParam, result))
        return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void registerFrameClass()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = frameProcedure;
        windowClass.hInstance = instance();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kFrameClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

// A button takes Space by itself, and no key of a child window ever reaches the window behind
// it; Enter presses the button too, but only while it holds the focus, as it is no default button.
LRESULT CALLBACK buttonProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR)
{
    if (message == WM_KEYDOWN && wParam == VK_RETURN && !(lParam & (1 << 30))) { // not a repeat
        SendMessageW(hwnd, BM_CLICK, 0, 0);
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// A graphical button: its face is exactly its colour, flat inside a raised edge
// (sunken while pressed); the caption, in the system's button-text colour, greys
// while it is disabled and moves with the face.
void drawButton(const DRAWITEMSTRUCT &item)
{
    const Control::Impl *impl = implOf(item.hwndItem);
    const auto &button = static_cast<const CommandButton &>(impl->control);
    const bool pressed = item.itemState & ODS_SELECTED;
    RECT face = item.rcItem;
    FillRect(item.hDC, &face, impl->face);
    DrawEdge(item.hDC, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    RECT inside = item.rcItem;
    InflateRect(&inside, -3, -3);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &inside);

    const HGDIOBJ previousFont = SelectObject(item.hDC, impl->font);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC,
                 GetSysColor(item.itemState & ODS_DISABLED ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    RECT text = inside;
    const auto *caption = win::wide(button.Caption());
    DrawTextW(item.hDC, caption, -1, &text, DT_CENTER | DT_NOPREFIX | DT_CALCRECT);
    const int height = text.bottom - text.top;
    text = inside;
    text.top += (inside.bottom - inside.top - height) / 2 + (pressed ? 1 : 0);
    text.left += pressed ? 1 : 0;
    text.right += pressed ? 1 : 0;
    DrawTextW(item.hDC, caption, -1, &text, DT_CENTER | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(item.hDC, previousFont);
}

int CALLBACK anyFace(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0;
}

bool hasFace(const wchar_t *face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, anyFace, LPARAM(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

} // namespace

namespace win {

double dotsPerInch()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

HFONT japaneseFont(double points, bool italic)
{
    // The first face the machine has; without any, the font mapper picks a Japanese face for
    // the first by its charset.
    static const wchar_t *const face = [] {
        const auto faces = Backend::japaneseFaces();
        for (const char16_t *candidate : faces)
            if (hasFace(reinterpret_cast<const wchar_t *>(candidate)))
                return reinterpret_cast<const wchar_t *>(candidate);
        return reinterpret_cast<const wchar_t *>(faces.front());
    }();
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(points * dotsPerInch() / 72 + 0.5);
    font.lfWeight = FW_NORMAL;
    font.lfItalic = italic;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

bool handleContainerMessage(const Container::Native &container, UINT message, WPARAM wParam,
                            LPARAM lParam, LRESULT &result)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam && HIWORD(wParam) == BN_CLICKED) {
            if (const Control::Impl *impl = implOf(reinterpret_cast<HWND>(lParam)))
                static_cast<CommandButton &>(impl->control).Click.raise();
            result = 0;
            return true;
        }
        return false;
    case WM_DRAWITEM: {
        const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item.CtlType != ODT_BUTTON || !implOf(item.hwndItem))
            return false;
        drawButton(item);
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORBTN: {
        // A button clears its old caption with this brush before it is drawn anew: with the
        // system's button colour, a band of it would flash across the face.
        const Control::Impl *impl = implOf(reinterpret_cast<HWND>(lParam));
        if (!impl || !impl->face)
            return false;
        result = reinterpret_cast<LRESULT>(impl->face);
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        // Labels are transparent: the container's colour shows behind their text.
        const Control::Impl *impl = implOf(reinterpret_cast<HWND>(lParam));
        if (!impl)
            return false;
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, impl->textColor);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(container.fill);
        return true;
    }
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(container.hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, container.fill);
        result = 1;
        return true;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(container.hwnd, &paint);
        paintImages(container, dc, paint.rcPaint);
        EndPaint(container.hwnd, &paint);
        result = 0;
        return true;
    }
    default: return false;
    }
}

} // namespace win

Control::Impl::~Impl()
{
    if (hwnd) {
        DestroyWindow(hwnd);
    } else { // an Image leaves its place on the container
        std::erase(container.images, &control);
        InvalidateRect(container.hwnd, &rect, TRUE);
    }
    if (font)
        DeleteObject(font);
    if (face)
        DeleteObject(face);
}

void Backend::end(Control::Impl *impl) { delete impl; }

void Backend::showGeometry(Control &control, const PixelRect &pixels)
{
    Control::Impl &impl = Backend::impl(control);
    const RECT before = impl.rect;
    impl.rect = {pixels.x, pixels.y, pixels.x + pixels.width, pixels.y + pixels.height};
    if (impl.hwnd) {
        SetWindowPos(impl.hwnd, nullptr, pixels.x, pixels.y, pixels.width, pixels.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (control.Visible()) {
        InvalidateRect(impl.container.hwnd, &before, TRUE);
        InvalidateRect(impl.container.hwnd, &impl.rect, TRUE);
    }
}

void Backend::showVisible(Control &control)
{
    const Control::Impl &impl = Backend::impl(control);
    if (impl.hwnd)
        ShowWindow(impl.hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
    else
        InvalidateRect(impl.container.hwnd, &impl.rect, TRUE);
}

// An Image is drawn on its container's own surface, beneath every other control.
void Backend::bringToFront(Control &control)
{
    if (const HWND hwnd = impl(control).hwnd)
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Backend::sendToBack(Control &control)
{
    if (const HWND hwnd = impl(control).hwnd)
        SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Backend::make(Frame &frame, Container &parent, Color backColor)
{
    registerFrameClass();
    frame.impl_.reset(new Control::Impl{frame, native(parent)});
    Control::Impl &impl = *frame.impl_;
    impl.face = CreateSolidBrush(win::fromBgr(backColor));
    // Made first: the frame's window procedure paints with it.
    frame.native_.reset(new Container::Native{nullptr, impl.face, native(parent).form});
    frame.native_->hwnd = makeChild(impl, kFrameClass, u"", WS_CLIPCHILDREN);
}

void Backend::make(Label &label, Container &parent, Color foreColor, double fontPoints)
{
    label.impl_.reset(new Control::Impl{label, native(parent)});
    Control::Impl &impl = *label.impl_;
    impl.textColor = win::fromBgr(foreColor);
    impl.font = win::japaneseFont(fontPoints);
    makeChild(impl, L"STATIC", u"", SS_LEFTNOWORDWRAP | SS_NOPREFIX);
    SendMessageW(impl.hwnd, WM_SETFONT, WPARAM(impl.font), FALSE);
}

void Backend::showCaption(Label &label)
{
    SetWindowTextW(impl(label).hwnd, win::wide(label.Caption()));
}

void Backend::make(CommandButton &button, Container &parent, Color backColor, double fontPoints,
                   bool italic)
{
    button.impl_.reset(new Control::Impl{button, native(parent)});
    Control::Impl &impl = *button.impl_;
    impl.face = CreateSolidBrush(win::fromBgr(backColor));
    impl.font = win::japaneseFont(fontPoints, italic);
    makeChild(impl, L"BUTTON", u"", BS_OWNERDRAW | WS_TABSTOP);
    SendMessageW(impl.hwnd, WM_SETFONT, WPARAM(impl.font), FALSE);
    SetWindowSubclass(impl.hwnd, buttonProcedure, 0, 0);
    impl.container.form.focusable.push_back(&button);
}

void Backend::showCaption(CommandButton &button)
{
    // The window text is what a screen reader reads; the face is drawn from the caption.
    const HWND hwnd = impl(button).hwnd;
    SetWindowTextW(hwnd, win::wide(button.Caption()));
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Backend::showEnabled(CommandButton &button)
{
    const HWND hwnd = impl(button).hwnd;
    const bool hadFocus = GetFocus() == hwnd;
    EnableWindow(hwnd, button.Enabled());
    // A disabled button takes no keys: the window has them again.
    if (!button.Enabled() && hadFocus)
        SetFocus(GetAncestor(hwnd, GA_ROOT));
}

void Backend::make(Image &image, Container &parent)
{
    // Drawn by its container, on the container's own surface beneath its other controls.
    image.impl_.reset(new Control::Impl{image, native(parent)});
    native(parent).images.push_back(&image);
}

void Backend::showPicture(Image &image)
{
    Control::Impl &impl = Backend::impl(image);
    impl.scaled.forget();
    InvalidateRect(impl.container.hwnd, &impl.rect, TRUE);
}

} // namespace platform
