#include "real_writing.h"

#include "file_parsing.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace real_writing {
namespace {

std::uint16_t u16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::int16_t i16(std::string_view bytes, std::size_t at) {
    return static_cast<std::int16_t>(u16(bytes, at));
}

std::string gb2312ToUtf8(unsigned char lead, unsigned char trail) {
    iconv_t cd = iconv_open("UTF-8", "GB2312");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 2, outLeft = sizeof out;
    bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return ok ? std::string(out, outPtr) : std::string();
}

}  // namespace

bool parsePot(std::string_view bytes, std::vector<RealSample>& samples, std::string& error) {
    constexpr std::size_t kHeader = 8;
    std::size_t at = 0;
    while (at < bytes.size()) {
        auto bad = [&](const std::string& why) {
            error = "sample at byte " + std::to_string(at) + ": " + why;
            return false;
        };
        if (bytes.size() - at < kHeader)
            return bad("cut short in its header");
        const std::size_t size = u16(bytes, at);
        if (size < kHeader + 4 || size > bytes.size() - at)
            return bad("size " + std::to_string(size) + " does not fit the file");
        RealSample sample;
        sample.character = gb2312ToUtf8(static_cast<unsigned char>(bytes[at + 3]),
                                        static_cast<unsigned char>(bytes[at + 2]));
        const std::size_t strokeCount = u16(bytes, at + 6);
        TabletStroke stroke;
        bool ended = false;
        std::size_t p = at + kHeader;
        for (; p + 4 <= at + size; p += 4) {
            int x = i16(bytes, p), y = i16(bytes, p + 2);
            if (x == -1 && y == -1) {
                ended = true;
                p += 4;
                break;
            }
            if (x == -1 && y == 0) {
                if (!stroke.empty())
                    sample.strokes.push_back(std::move(stroke));
                stroke.clear();
                continue;
            }
            stroke.push_back({x, y});
        }
        if (!ended || p != at + size)
            return bad("its points do not end where its size says");
        if (!stroke.empty())
            sample.strokes.push_back(std::move(stroke));
        if (sample.strokes.size() > strokeCount)
            return bad("more strokes than its header says");
        samples.push_back(std::move(sample));
        at += size;
    }
    return true;
}

bool readPotFile(const std::string& path, std::vector<RealSample>& samples, std::string& error) {
    return training::parseFile(
        path, error, [&](const std::string& bytes) { return parsePot(bytes, samples, error); });
}

std::vector<std::string> listPotFiles(const std::string& folder) {
    std::vector<std::string> paths;
    for (const std::string& name : training::listFilesEndingIn(folder, ".pot"))
        paths.push_back(folder + "/" + name + ".pot");
    return paths;
}

std::vector<std::string> writerFiles(const std::string& folder, int writersWanted) {
    std::vector<std::string> files = listPotFiles(folder);
    if (files.empty()) {
        std::printf(
            "No real writing in %s: put a research corpus's .pot files there (one writer a file,\n"
            "for example CASIA's OLHWDB1.0), or name another folder with REAL_DATA=DIR.\n",
            folder.c_str());
    }
    if (writersWanted > 0 && files.size() > static_cast<std::size_t>(writersWanted))
        files.resize(static_cast<std::size_t>(writersWanted));
    return files;
}

std::vector<hanzi::PadPath> placeOnPad(const std::vector<TabletStroke>& strokes,
                                       const Placement& placement, hanzi::PadLayout pad) {
    int left = 0, right = 0, top = 0, bottom = 0;
    bool any = false;
    for (const TabletStroke& stroke : strokes)
        for (TabletPoint p : stroke) {
            if (!any) {
                left = right = p.x;
                top = bottom = p.y;
                any = true;
            }
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
    std::vector<hanzi::PadPath> paths;
    if (!any)
        return paths;
    const double larger = std::max({right - left, bottom - top, 1});
    const double scale = placement.fill * std::min(pad.width, pad.height) / larger;
    const double centreX = pad.width / 2.0 + placement.offsetX;
    const double centreY = pad.height / 2.0 + placement.offsetY;
    auto toPad = [&](double x, double y) {
        int px = static_cast<int>(std::lround(centreX + (x - (left + right) / 2.0) * scale));
        int py = static_cast<int>(std::lround(centreY + (y - (top + bottom) / 2.0) * scale));
        return hanzi::PadPixel{std::clamp(px, 0, pad.width), std::clamp(py, 0, pad.height)};
    };
    for (const TabletStroke& stroke : strokes) {
        std::vector<hanzi::MedianPoint> points;
        for (TabletPoint p : stroke)
            points.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
        paths.push_back(hanzi::walkLine(points, scale, placement.step, toPad));
    }
    return paths;
}

}  // namespace real_writing
