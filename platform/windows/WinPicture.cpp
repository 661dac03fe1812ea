#include "platform/MediaFiles.h"
#include "platform/windows/WinBackend.h"

#include <objbase.h>
#include <wincodec.h>

namespace platform {

namespace {

// Holds one reference of a COM object and lets it go.
template <typename T> class Com {
public:
    Com() = default;
    Com(const Com &) = delete;
    Com &operator=(const Com &) = delete;
    ~Com()
    {
        if (object_)
            object_->Release();
    }
    T **put() { return &object_; }
    T *operator->() const { return object_; }
    T *get() const { return object_; }

private:
    T *object_ = nullptr;
};

IWICImagingFactory *factory()
{
    // Once per run, on the window's thread; never released, like the run's other devices.
    static IWICImagingFactory *const shared = [] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IWICImagingFactory *made = nullptr;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(&made));
        return made;
    }();
    return shared;
}

// The picture's pixels at another size, smoothly scaled, in a bitmap ready to blend.
HBITMAP scaledBitmap(const Picture::Impl &picture, SIZE size)
{
    Com<IWICBitmap> source;
    Com<IWICBitmapScaler> scaler;
    if (!factory() || size.cx <= 0 || size.cy <= 0 ||
        FAILED(factory()->CreateBitmapFromMemory(
            picture.width, picture.height, GUID_WICPixelFormat32bppPBGRA, picture.width * 4,
            UINT(picture.pixels.size()), const_cast<BYTE *>(picture.pixels.data()),
            source.put())) ||
        FAILED(factory()->CreateBitmapScaler(scaler.put())) ||
        FAILED(scaler->Initialize(source.get(), UINT(size.cx), UINT(size.cy),
                                  WICBitmapInterpolationModeFant)))
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && FAILED(scaler->CopyPixels(nullptr, UINT(size.cx) * 4, UINT(size.cx * size.cy * 4),
                                            static_cast<BYTE *>(bits)))) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

} // namespace

Picture Picture::fromGif(const std::vector<unsigned char> &bytes)
{
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    // Read as a GIF whatever the bytes say, and only its first picture.
    if (!factory() || FAILED(factory()->CreateStream(stream.put())) ||
        FAILED(
            stream->InitializeFromMemory(const_cast<BYTE *>(bytes.data()), DWORD(bytes.size()))) ||
        FAILED(factory()->CreateDecoder(GUID_ContainerFormatGif, nullptr, decoder.put())) ||
        FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) ||
        width == 0 || height == 0 || std::uint64_t(width) * height * 4 > media::kMaxPictureBytes ||
        FAILED(factory()->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    auto impl = std::make_shared<Impl>(Impl{width, height, {}});
    impl->pixels.resize(std::size_t(width) * height * 4);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, UINT(impl->pixels.size()),
                                     impl->pixels.data())))
        return {};
    return Picture(std::move(impl));
}

namespace win {

void paintImages(const Form::Impl &form, HDC dc, const RECT &dirty)
{
    for (Control *control : form.images) {
        Control::Impl &impl = control->impl();
        const Picture::Impl *picture = static_cast<Image *>(control)->picture().impl();
        RECT overlap;
        if (!control->Visible() || !picture || !IntersectRect(&overlap, &impl.rect, &dirty))
            continue;
        const SIZE size{impl.rect.right - impl.rect.left, impl.rect.bottom - impl.rect.top};
        // The cat is repainted at every jump; scaling it anew each time would cost more than
        // the rest of the jump together.
        if (!impl.scaled || impl.scaledSize.cx != size.cx || impl.scaledSize.cy != size.cy) {
            if (impl.scaled)
                DeleteObject(impl.scaled);
            impl.scaled = scaledBitmap(*picture, size);
            impl.scaledSize = size;
        }
        if (!impl.scaled)
            continue;
        const HDC memory = CreateCompatibleDC(dc);
        const HGDIOBJ previous = SelectObject(memory, impl.scaled);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, impl.rect.left, impl.rect.top, size.cx, size.cy, memory, 0, 0, size.cx,
                   size.cy, blend);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
}

} // namespace win

} // namespace platform
