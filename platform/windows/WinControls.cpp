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
HWND makeChild(Control::Impl &impl, Container &parent, const wchar_t *windowClass,
               const std::u16string &text, DWORD style)
{
    impl.parent = parent.native().hwnd;
    impl.hwnd = CreateWindowExW(0, windowClass, win::wide(text),
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                                impl.parent, nullptr, instance(), nullptr);
    if (!impl.hwnd)
        throw RuntimeError(kErrInternal, u"コントロールを作成できません。");
    SetWindowLongPtrW(impl.hwnd, GWLP_USERDATA, LONG_PTR(&impl));
    return impl.hwnd;
}

LRESULT CALLBACK frameProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Control::Impl *impl = implOf(hwnd);
    LRESULT result = 0;
    if (impl && win::handleChildMessage(impl->face, message, wParam, lParam, result))
        return result;
    if (impl && message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, impl->face);
        return 1;
    }
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
    const auto &button = static_cast<const CommandButton &>(*impl->control);
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
    // The first face the machine has; Windows ships the later ones where it lacks the first.
    static const wchar_t *const face = [] {
        for (const wchar_t *candidate :
             {L"ＭＳ Ｐゴシック", L"MS PGothic", L"Yu Gothic UI", L"Meiryo UI", L"Meiryo",
              L"MS UI Gothic", L"ＭＳ ゴシック", L"MS Gothic"})
            if (hasFace(candidate))
                return candidate;
        return L"ＭＳ Ｐゴシック"; // the font mapper then picks a Japanese face by its charset
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

bool handleChildMessage(HBRUSH fill, UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam && HIWORD(wParam) == BN_CLICKED) {
            if (const Control::Impl *impl = implOf(reinterpret_cast<HWND>(lParam)))
                static_cast<CommandButton *>(impl->control)->Click.raise();
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
    case WM_CTLCOLORSTATIC: {
        // Labels are transparent: the container's colour shows behind their text.
        const Control::Impl *impl = implOf(reinterpret_cast<HWND>(lParam));
        if (!impl)
            return false;
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, impl->textColor);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(fill);
        return true;
    }
    default: return false;
    }
}

} // namespace win

Control::Impl::~Impl()
{
    if (hwnd)
        DestroyWindow(hwnd);
    else if (parent)
        InvalidateRect(parent, &rect, TRUE); // an Image leaves its place on the window
    if (font)
        DeleteObject(font);
    if (face)
        DeleteObject(face);
    if (scaled)
        DeleteObject(scaled);
}

Control::Control(float left, float top, float width, float height)
    : left_(left), top_(top), width_(width), height_(height)
{
    impl_ = std::make_unique<Impl>();
    impl_->control = this;
}

Control::~Control() = default;

void Control::showGeometry(int x, int y, int width, int height)
{
    const RECT before = impl_->rect;
    impl_->rect = {x, y, x + width, y + height};
    if (impl_->hwnd) {
        SetWindowPos(impl_->hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (visible_) {
        InvalidateRect(impl_->parent, &before, TRUE);
        InvalidateRect(impl_->parent, &impl_->rect, TRUE);
    }
}

void Control::showVisible()
{
    if (impl_->hwnd) {
        ShowWindow(impl_->hwnd, visible_ ? SW_SHOWNA : SW_HIDE);
    } else {
        InvalidateRect(impl_->parent, &impl_->rect, TRUE);
    }
}

void Control::ZOrder(int position)
{
    // An Image is drawn on its container's own surface, beneath every other control.
    if (impl_->hwnd)
        SetWindowPos(impl_->hwnd, position == 0 ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

Frame::Frame(Container &parent, Color backColor, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    registerFrameClass();
    impl_->face = CreateSolidBrush(win::fromBgr(backColor));
    makeChild(*impl_, parent, kFrameClass, u"", WS_CLIPCHILDREN);
    native_ = std::make_unique<Native>(Native{impl_->hwnd, impl_->face, parent.native().form});
    place();
}

Label::Label(Container &parent, std::u16string caption, Color foreColor, double fontPoints,
             float left, float top, float width, float height)
    : Control(left, top, width, height), caption_(std::move(caption))
{
    impl_->textColor = win::fromBgr(foreColor);
    impl_->font = win::japaneseFont(fontPoints);
    makeChild(*impl_, parent, L"STATIC", caption_, SS_LEFTNOWORDWRAP | SS_NOPREFIX);
    SendMessageW(impl_->hwnd, WM_SETFONT, WPARAM(impl_->font), FALSE);
    place();
}

void Label::showCaption() { SetWindowTextW(impl_->hwnd, win::wide(caption_)); }

CommandButton::CommandButton(Container &parent, Color backColor, double fontPoints, bool italic,
                             float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    impl_->face = CreateSolidBrush(win::fromBgr(backColor));
    impl_->font = win::japaneseFont(fontPoints, italic);
    makeChild(*impl_, parent, L"BUTTON", u"", BS_OWNERDRAW | WS_TABSTOP);
    SendMessageW(impl_->hwnd, WM_SETFONT, WPARAM(impl_->font), FALSE);
    SetWindowSubclass(impl_->hwnd, buttonProcedure, 0, 0);
    parent.native().form.focusable.push_back(this);
    place();
}

void CommandButton::showCaption()
{
    // The window text is what a screen reader reads; the face is drawn from the caption.
    SetWindowTextW(impl_->hwnd, win::wide(caption_));
    InvalidateRect(impl_->hwnd, nullptr, TRUE);
}

void CommandButton::showEnabled()
{
    const bool hadFocus = GetFocus() == impl_->hwnd;
    EnableWindow(impl_->hwnd, enabled_);
    // A disabled button takes no keys: the window has them again.
    if (!enabled_ && hadFocus)
        SetFocus(GetAncestor(impl_->hwnd, GA_ROOT));
}

Image::Image(Container &parent, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    // Drawn by the window itself, beneath its other controls.
    impl_->parent = parent.native().hwnd;
    parent.native().form.images.push_back(this);
    place();
}

void Image::showPicture()
{
    if (impl_->scaled)
        DeleteObject(impl_->scaled);
    impl_->scaled = nullptr;
    InvalidateRect(impl_->parent, &impl_->rect, TRUE);
}

} // namespace platform
