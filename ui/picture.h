#pragma once
// A picture stored as baseline JPEG data, decoded once (with libjpeg) when first painted, and
// the background painting shared by the window and the labels.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ui {

// 0xFF000000 stands for the system button-face colour, resolved when painting.
constexpr COLORREF kButtonFace = 0xFF000000u;
COLORREF resolveColour(COLORREF colour);

// 0 natural size at the top-left corner; 1 tiled over the surface; 2 centred, shrunk to fit
// (aspect ratio kept) when larger than the surface.
enum class PictureMode { natural = 0, tiled = 1, fitted = 2 };

class Picture {
  public:
    Picture(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    // Anything with `data` and `size` members, such as the program's embedded JPEG data.
    template <class Jpeg>
    explicit Picture(const Jpeg& jpeg) : Picture(jpeg.data, jpeg.size) {}
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Decodes the data the first time it is asked for; false if it is not a readable JPEG.
    bool ready() const;
    int width() const;
    int height() const;
    // The colour of one pixel (0x00BBGGRR), or 0 outside the picture.
    COLORREF pixel(int x, int y) const;
    bool decoded() const { return decodeTried_; }

    // Draws the picture in `mode` over `surface` (only the picture, not the background).
    // Returns the part of the surface the picture covers.
    RECT draw(HDC dc, const RECT& surface, PictureMode mode) const;

  private:
    void decode() const;

    const unsigned char* data_;
    std::size_t size_;
    mutable bool decodeTried_ = false;
    mutable HBITMAP bitmap_ = nullptr;
    mutable int width_ = 0;
    mutable int height_ = 0;
    mutable std::vector<std::uint8_t> rows_;  // top-down BGR, 4-byte aligned rows
};

// Covers `surface` with `picture` in `mode` (if any) and fills what it does not cover with
// `colour`.
void paintBackground(HDC dc, const RECT& surface, const Picture* picture, PictureMode mode,
                     COLORREF colour);

// Decodes baseline JPEG data into top-down 24-bit BGR rows, each padded to 4 bytes.
bool decodeJpeg(const unsigned char* data, std::size_t size, int& width, int& height,
                std::vector<std::uint8_t>& rows);

}  // namespace ui
