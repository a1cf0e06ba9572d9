#include "ui/picture.h"

#include <csetjmp>
#include <cstdio>

// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>

#include <algorithm>

#include "ui/gdi.h"

namespace ui {

COLORREF resolveColour(COLORREF colour) {
    return colour == kButtonFace ? GetSysColor(COLOR_BTNFACE) : (colour & 0x00FFFFFFu);
}

namespace {
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

void leaveDecoder(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->escape, 1);
}

void ignoreMessage(j_common_ptr) {}

int rowStride(int width) {
    return (width * 3 + 3) & ~3;
}
}  // namespace

bool decodeJpeg(const unsigned char* data, std::size_t size, int& width, int& height,
                std::vector<std::uint8_t>& rows) {
    width = height = 0;
    rows.clear();
    if (!data || size == 0) {
        return false;
    }
    jpeg_decompress_struct info = {};
    JpegErrorManager errors = {};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = leaveDecoder;
    errors.base.output_message = ignoreMessage;
    // Only plain data lives across the jump; the decoder is torn down on both roads.
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        rows.clear();
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
#ifdef JCS_EXTENSIONS
    info.out_color_space = JCS_EXT_BGR;
#else
    info.out_color_space = JCS_RGB;
#endif
    jpeg_start_decompress(&info);
    const int w = static_cast<int>(info.output_width);
    const int h = static_cast<int>(info.output_height);
    const int stride = rowStride(w);
    rows.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h), 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rows.data() + static_cast<std::size_t>(info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
#ifndef JCS_EXTENSIONS
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = rows.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < w; ++x) {
            std::swap(row[x * 3], row[x * 3 + 2]);
        }
    }
#endif
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    width = w;
    height = h;
    return true;
}

Picture::~Picture() {
    if (bitmap_) {
        DeleteObject(bitmap_);
    }
}

void Picture::decode() const {
    if (decodeTried_) {
        return;
    }
    decodeTried_ = true;
    if (!decodeJpeg(data_, size_, width_, height_, rows_)) {
        return;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ && bits) {
        std::copy(rows_.begin(), rows_.end(), static_cast<std::uint8_t*>(bits));
    }
}

bool Picture::ready() const {
    decode();
    return bitmap_ != nullptr;
}

int Picture::width() const {
    decode();
    return width_;
}

int Picture::height() const {
    decode();
    return height_;
}

COLORREF Picture::pixel(int x, int y) const {
    decode();
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    const std::uint8_t* p = rows_.data() + static_cast<std::size_t>(y) * rowStride(width_) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

RECT Picture::draw(HDC dc, const RECT& surface, PictureMode mode) const {
    RECT covered = {surface.left, surface.top, surface.left, surface.top};
    if (!ready()) {
        return covered;
    }
    const CompatibleDC sourceDC(dc);
    const SelectedObject selected(sourceDC.dc(), bitmap_);
    HDC source = sourceDC.dc();
    const int surfaceWidth = surface.right - surface.left;
    const int surfaceHeight = surface.bottom - surface.top;
    switch (mode) {
        case PictureMode::natural: {
            const int w = std::min(width_, surfaceWidth);
            const int h = std::min(height_, surfaceHeight);
            BitBlt(dc, surface.left, surface.top, w, h, source, 0, 0, SRCCOPY);
            covered = {surface.left, surface.top, surface.left + w, surface.top + h};
            break;
        }
        case PictureMode::tiled:
            for (int y = surface.top; y < surface.bottom; y += height_) {
                for (int x = surface.left; x < surface.right; x += width_) {
                    BitBlt(dc, x, y, std::min<int>(width_, surface.right - x),
                           std::min<int>(height_, surface.bottom - y), source, 0, 0, SRCCOPY);
                }
            }
            covered = surface;
            break;
        case PictureMode::fitted: {
            int w = width_;
            int h = height_;
            if (w > surfaceWidth || h > surfaceHeight) {
                // Shrink to fit, keeping the aspect ratio.
                if (static_cast<long long>(w) * surfaceHeight >
                    static_cast<long long>(h) * surfaceWidth) {
                    h = static_cast<int>(static_cast<long long>(h) * surfaceWidth / w);
                    w = surfaceWidth;
                } else {
                    w = static_cast<int>(static_cast<long long>(w) * surfaceHeight / h);
                    h = surfaceHeight;
                }
            }
            const int x = surface.left + (surfaceWidth - w) / 2;
            const int y = surface.top + (surfaceHeight - h) / 2;
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            StretchBlt(dc, x, y, w, h, source, 0, 0, width_, height_, SRCCOPY);
            covered = {x, y, x + w, y + h};
            break;
        }
    }
    return covered;
}

void paintBackground(HDC dc, const RECT& surface, const Picture* picture, PictureMode mode,
                     COLORREF colour) {
    RECT covered = {surface.left, surface.top, surface.left, surface.top};
    if (picture) {
        covered = picture->draw(dc, surface, mode);
    }
    // Fill only what the picture left uncovered, so nothing flickers under it.
    const OwnedBrush brush(CreateSolidBrush(resolveColour(colour)));
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, covered.left, covered.top, covered.right, covered.bottom);
    FillRect(dc, &surface, brush.get());
    RestoreDC(dc, saved);
}

}  // namespace ui
