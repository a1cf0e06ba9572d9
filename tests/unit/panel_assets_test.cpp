// The embedded pictures decode as the panel needs them (baseline JPEG, exact sizes, legible
// colours where text goes), and the application icon holds every size at 32 bits per pixel.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "panel_assets.h"

namespace {

struct DecodedJpeg {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    long warnings = 0;
    std::vector<unsigned char> rgb;  // width * height * 3

    struct Rgb {
        int r, g, b;
    };
    Rgb at(int x, int y) const {
        const unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void onJpegMessage(j_common_ptr info, int level) {
    // Count warnings (corrupt data) instead of printing them.
    if (level < 0)
        ++info->err->num_warnings;
}

// Plain C-style decoding: nothing with a destructor lives between setjmp and longjmp.
bool decodeInto(const unsigned char* data, std::size_t size, DecodedJpeg* out, ErrorManager* errors,
                jpeg_decompress_struct* info) {
    info->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = onJpegError;
    errors->base.emit_message = onJpegMessage;
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    out->progressive = jpeg_has_multiple_scans(info) || info->progressive_mode;
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    out->width = static_cast<int>(info->output_width);
    out->height = static_cast<int>(info->output_height);
    out->components = info->num_components;
    out->rgb.resize(static_cast<std::size_t>(out->width) * out->height * 3);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = &out->rgb[static_cast<std::size_t>(info->output_scanline) * out->width * 3];
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    out->warnings = errors->base.num_warnings;
    jpeg_destroy_decompress(info);
    return true;
}

DecodedJpeg decode(EmbeddedJpeg jpeg) {
    DecodedJpeg out;
    ErrorManager errors{};
    jpeg_decompress_struct info{};
    out.ok = decodeInto(jpeg.data, jpeg.size, &out, &errors, &info);
    if (!out.ok)
        out.error = errors.message;
    return out;
}

// The frame type from the first start-of-frame marker: 0xC0 is baseline sequential.
int frameMarker(EmbeddedJpeg jpeg) {
    std::size_t i = 2;  // after SOI
    while (i + 4 <= jpeg.size) {
        if (jpeg.data[i] != 0xFF)
            return -1;
        const int marker = jpeg.data[i + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return marker;
        const std::size_t length = (jpeg.data[i + 2] << 8) | jpeg.data[i + 3];
        i += 2 + length;
    }
    return -1;
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

// WCAG relative luminance and contrast ratio, enough to tell whether text reads on a background.
double luminance(DecodedJpeg::Rgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

double contrast(DecodedJpeg::Rgb a, DecodedJpeg::Rgb b) {
    double la = luminance(a), lb = luminance(b);
    if (la < lb)
        std::swap(la, lb);
    return (la + 0.05) / (lb + 0.05);
}

bool near(DecodedJpeg::Rgb a, DecodedJpeg::Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

struct Picture {
    const char* file;
    EmbeddedJpeg (*embedded)();
    int width;
    int height;
};

const Picture kPictures[] = {
    {"panel_picture.jpg", panelPictureJpeg, 305, 246},
    {"label_tile.jpg", labelTileJpeg, 18, 28},
    {"rewrite_face.jpg", rewriteFaceJpeg, 83, 27},
    {"rewrite_face_hot.jpg", rewriteFaceHotJpeg, 83, 27},
};

}  // namespace

TEST(PanelAssets, EveryPictureIsABaselineJpegOfItsSize) {
    for (const Picture& picture : kPictures) {
        SCOPED_TRACE(picture.file);
        const EmbeddedJpeg jpeg = picture.embedded();
        ASSERT_NE(jpeg.data, nullptr);
        ASSERT_GT(jpeg.size, 4u);
        EXPECT_EQ(frameMarker(jpeg), 0xC0) << "not a baseline sequential frame";
        const DecodedJpeg decoded = decode(jpeg);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_FALSE(decoded.progressive);
        EXPECT_EQ(decoded.warnings, 0) << "corrupt data";
        EXPECT_EQ(decoded.width, picture.width);
        EXPECT_EQ(decoded.height, picture.height);
        EXPECT_EQ(decoded.components, 3);
    }
}

TEST(PanelAssets, EmbeddedBytesAreTheCommittedFiles) {
    for (const Picture& picture : kPictures) {
        SCOPED_TRACE(picture.file);
        const std::vector<unsigned char> file =
            readFile(std::string(PANEL_ASSETS_DIR "/") + picture.file);
        const EmbeddedJpeg jpeg = picture.embedded();
        ASSERT_FALSE(file.empty());
        ASSERT_EQ(jpeg.size, file.size());
        EXPECT_TRUE(std::equal(file.begin(), file.end(), jpeg.data));
    }
}

TEST(PanelAssets, DecoderRejectsTruncatedData) {
    // The decoder harness must tell a broken picture from a good one, or the checks above prove
    // nothing.
    const EmbeddedJpeg whole = labelTileJpeg();
    const DecodedJpeg cut = decode({whole.data, 20});
    EXPECT_TRUE(!cut.ok || cut.warnings > 0);
}

TEST(PanelAssets, TextReadsOnItsBackgrounds) {
    const DecodedJpeg panel = decode(panelPictureJpeg());
    const DecodedJpeg tile = decode(labelTileJpeg());
    ASSERT_TRUE(panel.ok && tile.ok);
    const DecodedJpeg::Rgb black{0, 0, 0}, teal{0, 0x80, 0x80};
    // Candidates are black, centred in their cells.
    const int lefts[] = {219, 261}, tops[] = {32, 67, 103, 139, 176};
    for (int left : lefts)
        for (int top : tops)
            EXPECT_GE(contrast(black, panel.at(left + 21, top + 17)), 12.0) << left << "," << top;
    // The information line is teal on the tile, which shows everywhere under the label.
    for (int y = 0; y < tile.height; ++y)
        for (int x = 0; x < tile.width; ++x)
            ASSERT_GE(contrast(teal, tile.at(x, y)), 3.5) << x << "," << y;
}

TEST(PanelAssets, LabelTileRepeatsWithoutSeams) {
    const DecodedJpeg tile = decode(labelTileJpeg());
    ASSERT_TRUE(tile.ok);
    for (int y = 0; y < tile.height; ++y)
        EXPECT_TRUE(near(tile.at(0, y), tile.at(tile.width - 1, y), 3)) << "row " << y;
    for (int x = 0; x < tile.width; ++x)
        EXPECT_TRUE(near(tile.at(x, 0), tile.at(x, tile.height - 1), 3)) << "column " << x;
}

TEST(PanelAssets, RewriteFacesAreCentredInTheShownColumnsAndDiffer) {
    const DecodedJpeg face = decode(rewriteFaceJpeg());
    const DecodedJpeg hot = decode(rewriteFaceHotJpeg());
    ASSERT_TRUE(face.ok && hot.ok);
    // The button shows the left 80 columns: find the drawing (anything darker than the face
    // fill) inside the border and check it sits in the middle of those 80.
    const DecodedJpeg::Rgb fill = face.at(3, 3);
    int first = face.width, last = -1;
    for (int y = 3; y < face.height - 3; ++y)
        for (int x = 3; x < 77; ++x)
            if (!near(face.at(x, y), fill, 40)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    ASSERT_LE(first, last);
    EXPECT_LE(std::abs((first + last) - 79), 4) << "drawing spans " << first << ".." << last;
    // With the pointer over the button the face must visibly change.
    int changed = 0;
    for (int y = 0; y < face.height; ++y)
        for (int x = 0; x < 80; ++x) changed += !near(face.at(x, y), hot.at(x, y), 24);
    EXPECT_GE(changed, 20);
}

namespace {

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t i) {
    return b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (static_cast<std::uint32_t>(b[i + 3]) << 24);
}
unsigned le16(const std::vector<unsigned char>& b, std::size_t i) {
    return b[i] | (b[i + 1] << 8);
}

}  // namespace

TEST(PanelAssets, IconHoldsEverySizeAt32BitsWithAlpha) {
    const std::vector<unsigned char> ico = readFile(PANEL_ASSETS_DIR "/panel_icon.ico");
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(le16(ico, 0), 0u);
    ASSERT_EQ(le16(ico, 2), 1u) << "not an icon file";
    const unsigned count = le16(ico, 4);
    ASSERT_EQ(count, 5u);
    ASSERT_GE(ico.size(), 6u + 16u * count);
    std::set<unsigned> sizes;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t e = 6 + 16 * i;
        const unsigned size = ico[e] == 0 ? 256 : ico[e];
        SCOPED_TRACE(size);
        EXPECT_EQ(ico[e + 1] == 0 ? 256u : ico[e + 1], size) << "not square";
        EXPECT_EQ(le16(ico, e + 4), 1u) << "planes";
        EXPECT_EQ(le16(ico, e + 6), 32u) << "directory bit count";
        const std::uint32_t bytes = le32(ico, e + 8), offset = le32(ico, e + 12);
        ASSERT_LE(std::uint64_t{offset} + bytes, ico.size());
        // Uncompressed DIB entries (PNG entries are unreadable before Vista): the header must
        // agree.
        ASSERT_GE(bytes, 40u);
        EXPECT_EQ(le32(ico, offset), 40u) << "not a BITMAPINFOHEADER";
        EXPECT_EQ(le32(ico, offset + 4), size);
        EXPECT_EQ(le32(ico, offset + 8), 2 * size) << "colour plus mask height";
        EXPECT_EQ(le16(ico, offset + 14), 32u) << "bitmap bit count";
        EXPECT_EQ(le32(ico, offset + 16), 0u) << "compressed";
        const std::size_t maskStride = (size + 31) / 32 * 4;
        ASSERT_EQ(bytes, 40 + size * size * 4 + maskStride * size);
        // Real alpha: transparent corners, opaque drawing, and some soft edge in between.
        int transparent = 0, opaque = 0, partial = 0;
        for (std::size_t p = 0; p < std::size_t{size} * size; ++p) {
            const int alpha = ico[offset + 40 + p * 4 + 3];
            transparent += alpha == 0;
            opaque += alpha == 255;
            partial += alpha > 0 && alpha < 255;
        }
        EXPECT_GT(transparent, 0);
        EXPECT_GT(opaque, static_cast<int>(size * size / 4));
        EXPECT_GT(partial, 0);
        sizes.insert(size);
    }
    EXPECT_EQ(sizes, (std::set<unsigned>{16, 32, 48, 64, 128}));
}
