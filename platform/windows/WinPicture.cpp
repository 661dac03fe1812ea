#include "platform/shared/MediaFiles.h"
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
win::Bitmap scaledBitmap(const Picture::Impl &picture, int width, int height)
{
    Com<IWICBitmap> source;
    Com<IWICBitmapScaler> scaler;
    if (!factory() || width <= 0 || height <= 0 ||
        FAILED(factory()->CreateBitmapFromMemory(
            picture.width, picture.height, GUID_WICPixelFormat32bppPBGRA, picture.width * 4,
            UINT(picture.pixels.size()), const_cast<BYTE *>(picture.pixels.data()),
            source.put())) ||
        FAILED(factory()->CreateBitmapScaler(scaler.put())) ||
        FAILED(scaler->Initialize(source.get(), UINT(width), UINT(height),
                                  WICBitmapInterpolationModeFant)))
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    win::Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && FAILED(scaler->CopyPixels(nullptr, UINT(width) * 4, UINT(width * height * 4),
                                            static_cast<BYTE *>(bits))))
        return nullptr;
    return bitmap;
}

} // namespace

std::shared_ptr<const Picture::Impl> Backend::decodeGif(const media::Bytes &bytes)
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
        return nullptr;
    auto picture = std::make_shared<Picture::Impl>(Picture::Impl{width, height, {}});
    picture->pixels.resize(std::size_t(width) * height * 4);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, UINT(picture->pixels.size()),
                                     picture->pixels.data())))
        return nullptr;
    return picture;
}

namespace win {

void paintImages(const Container::Native &container, HDC dc, const RECT &dirty)
{
    for (Control *control : container.images) {
        Control::Impl &impl = Backend::impl(*control);
        const Picture::Impl *picture = Backend::impl(static_cast<Image *>(control)->picture());
        RECT overlap;
        if (!control->Visible() || !picture || !IntersectRect(&overlap, &impl.rect, &dirty))
            continue;
        const int width = impl.rect.right - impl.rect.left,
                  height = impl.rect.bottom - impl.rect.top;
        const win::Bitmap &scaled = impl.scaled.at(width, height, [picture](int width, int height) {
            return scaledBitmap(*picture, width, height);
        });
        if (!scaled)
            continue;
        const HDC memory = CreateCompatibleDC(dc);
        const HGDIOBJ previous = SelectObject(memory, scaled.get());
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, impl.rect.left, impl.rect.top, width, height, memory, 0, 0, width, height,
                   blend);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
}

} // namespace win

} // namespace platform
