// The Wine session the Windows tests run in must look like a Chinese Windows: ANSI code page
// 936, the program's own texts compiled to GBK, and fonts that can draw Chinese.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// True when the font selected for `font` has a real glyph for 中 (not the missing-glyph box).
bool drawsChinese(HFONT font, std::string* face) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    char name[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof name, name);
    *face = name;
    WORD glyph = 0xFFFF;
    DWORD converted = GetGlyphIndicesW(dc, L"\x4E2D", 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteDC(dc);
    return converted == 1 && glyph != 0xFFFF;
}

HFONT fontByFace(const char* face) {
    return CreateFontA(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       face);
}

TEST(WineLocale, AnsiCodePageIsGbk) {
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_TRUE(IsDBCSLeadByte(0xD6));
    EXPECT_FALSE(IsDBCSLeadByte('A'));
}

TEST(WineLocale, NarrowLiteralsAreGbk) {
    const std::string failure = "连接服务器失败！";
    EXPECT_EQ(hexOf(failure), "C1ACBDD3B7FECEF1C6F7CAA7B0DCA3A1");
    EXPECT_EQ(failure.size(), 16u);
    EXPECT_EQ(hexOf("中"), "D6D0");
}

TEST(WineLocale, AnsiConversionsUseGbk) {
    wchar_t wide[4] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xD6\xD0", 2, wide, 4), 1);
    EXPECT_EQ(wide[0], 0x4E2D);
    char narrow[8] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, L"\x6587", 1, narrow, sizeof narrow, nullptr, nullptr),
              2);
    EXPECT_EQ(hexOf(narrow), "CEC4");
}

TEST(WineLocale, ChineseFacesDrawChinese) {
    for (const char* requested : {"宋体", "SimSun", "MS Shell Dlg"}) {
        HFONT font = fontByFace(requested);
        ASSERT_NE(font, nullptr) << requested;
        std::string face;
        EXPECT_TRUE(drawsChinese(font, &face)) << requested << " came out as " << face;
        DeleteObject(font);
    }
}

// The faces the panel names must exist under their own names, as on a Chinese Windows (a
// fallback font would also draw Chinese, but under another name and other metrics).
TEST(WineLocale, SongtiIsKnownByName) {
    for (const char* requested : {"宋体", "SimSun"}) {
        HFONT font = fontByFace(requested);
        std::string face;
        drawsChinese(font, &face);
        EXPECT_EQ(face, requested) << "no face replacement for " << requested;
        DeleteObject(font);
    }
}

TEST(WineLocale, DefaultGuiFontDrawsChinese) {
    std::string face;
    EXPECT_TRUE(drawsChinese(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), &face))
        << "the default GUI font came out as " << face;
}

}  // namespace
