// The wizard's look without a dialog: the skinned progress bar painted into a
// memory bitmap and read back pixel by pixel, and the pictures decoded from
// the program's resource script, which this test links.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "res/resource.h"
#include "system/handles.h"
#include "ui/my_progress.h"
#include "ui/skin.h"

namespace {

constexpr COLORREF kTrackColour = RGB(128, 119, 122);
constexpr int kTileWidth = 25;
constexpr int kTileHeight = 20;

// A 32-bit top-down bitmap whose pixels the test reads directly.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels_ = static_cast<const uint32_t*>(bits);
        previous_ = ::SelectObject(dc_.get(), bitmap_.get());
    }
    ~Canvas() { ::SelectObject(dc_.get(), previous_); }

    HDC dc() const { return dc_.get(); }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        const uint32_t bgr = pixels_[y * width_ + x];
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_;
    int height_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    const uint32_t* pixels_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

UniqueBitmap LoadTile()
{
    return UniqueBitmap(::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BAR_PATTERN)));
}

// The tile as the bar shows it: painted once, untransformed, into a canvas.
std::vector<COLORREF> TilePixels(HBITMAP tile)
{
    Canvas canvas(kTileWidth, kTileHeight);
    UniqueMemoryDc source(::CreateCompatibleDC(canvas.dc()));
    HGDIOBJ previous = ::SelectObject(source.get(), tile);
    ::BitBlt(canvas.dc(), 0, 0, kTileWidth, kTileHeight, source.get(), 0, 0, SRCCOPY);
    ::SelectObject(source.get(), previous);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < kTileHeight; ++y)
        for (int x = 0; x < kTileWidth; ++x)
            pixels.push_back(canvas.At(x, y));
    return pixels;
}

struct BarCase {
    const char* name;
    int lower, upper, position;
    int filledColumns;
};

// Filled width = width / (upper - lower) * position, truncated; the lower
// bound is not taken off the position.
const BarCase kBarCases[] = {
    {"half of 0..10", 0, 10, 5, 100},
    {"empty range", 5, 5, 5, 0},
    {"lower bound not subtracted", 5, 15, 10, 200},
    {"truncated, not rounded", 0, 3, 1, 66},
    {"nothing at position 0", 0, 10, 0, 0},
};

class ProgressBarPainting : public ::testing::TestWithParam<BarCase> {};

TEST_P(ProgressBarPainting, FillsExactlyTheComputedColumnsWithTheAnchoredTile)
{
    const BarCase& bar = GetParam();
    UniqueBitmap tile = LoadTile();
    ASSERT_TRUE(tile.valid());
    const std::vector<COLORREF> tilePixels = TilePixels(tile.get());

    // 200 x 16 pixels: a bar of 212 x 10 dialog units is about this size.
    Canvas canvas(200, 16);
    const RECT client{0, 0, canvas.width(), canvas.height()};
    PaintProgressBar(canvas.dc(), client, bar.lower, bar.upper, bar.position, tile.get());

    int patterned = 0;
    for (int x = 0; x < canvas.width(); ++x) {
        for (int y = 0; y < canvas.height(); ++y) {
            const COLORREF expected =
                x < bar.filledColumns ? tilePixels[y * kTileWidth + x % kTileWidth] : kTrackColour;
            ASSERT_EQ(canvas.At(x, y), expected) << "pixel " << x << "," << y;
        }
        patterned += x < bar.filledColumns ? 1 : 0;
    }
    EXPECT_EQ(patterned, bar.filledColumns);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressBarPainting, ::testing::ValuesIn(kBarCases),
                         [](const ::testing::TestParamInfo<BarCase>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// The tile is distinct from the track everywhere, so a filled column can never
// pass for an empty one.
TEST(ProgressBarTile, IsA256ColourTileOfGreyEdgesAndAGreenLowerHalf)
{
    UniqueBitmap tile = LoadTile();
    ASSERT_TRUE(tile.valid());
    HRSRC resource = ::FindResourceA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BAR_PATTERN), RT_BITMAP);
    ASSERT_NE(resource, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(
        ::LockResource(::LoadResource(::GetModuleHandleA(nullptr), resource)));
    EXPECT_EQ(header->biWidth, kTileWidth);
    EXPECT_EQ(header->biHeight, kTileHeight);
    EXPECT_EQ(header->biBitCount, 8);

    const std::vector<COLORREF> pixels = TilePixels(tile.get());
    EXPECT_EQ(pixels.front(), RGB(208, 212, 214));
    EXPECT_EQ(pixels.back(), RGB(208, 212, 214));
    EXPECT_EQ(pixels[1 * kTileWidth], RGB(132, 182, 138));
    for (int y = kTileHeight / 2; y < kTileHeight - 1; ++y)
        EXPECT_EQ(pixels[y * kTileWidth], RGB(6, 177, 37)) << "row " << y;
    for (COLORREF pixel : pixels)
        EXPECT_NE(pixel, kTrackColour);
}

struct PictureCase {
    int id;
    int width;
    int height;
};

const PictureCase kPictures[] = {
    {IDP_QUERY, 600, 360},    {IDP_INSTALL, 600, 360},      {IDP_OPTIONS, 600, 365},
    {IDP_PROGRESS, 600, 360}, {IDP_PROGRESS_ALT, 600, 360}, {IDP_UPDATE, 420, 220},
};

TEST(Pictures, EachDecodesAtItsSize)
{
    for (const PictureCase& picture : kPictures) {
        UniqueBitmap image;
        EXPECT_TRUE(LoadPngResource(&image, picture.id)) << picture.id;
        ASSERT_TRUE(image.valid()) << picture.id;
        BITMAP size{};
        ASSERT_NE(::GetObjectA(image.get(), sizeof size, &size), 0);
        EXPECT_EQ(size.bmWidth, picture.width) << picture.id;
        EXPECT_EQ(size.bmHeight, picture.height) << picture.id;
    }
}

// The picture numbered between them exists in the family's artwork but is
// used by no dialog, so the program does not carry it.
TEST(Pictures, MissingResourceGivesFalseAndReleasesThePreviousPicture)
{
    UniqueBitmap image;
    ASSERT_TRUE(LoadPngResource(&image, IDP_UPDATE));
    ASSERT_TRUE(image.valid());
    EXPECT_FALSE(LoadPngResource(&image, 179));
    EXPECT_FALSE(image.valid());
}

struct CentreCase {
    const char* name;
    RECT area;
    SIZE window;
    POINT origin;
};

const CentreCase kCentreCases[] = {
    {"wholeScreen", {0, 0, 800, 600}, {600, 400}, {100, 100}},
    {"oddSizesRoundDown", {0, 0, 1025, 769}, {601, 401}, {212, 184}},
    {"taskbarAtTheBottom", {0, 0, 1024, 728}, {600, 400}, {212, 164}},
    {"taskbarAtTheTop", {0, 40, 1024, 768}, {600, 400}, {212, 204}},
    {"taskbarOnTheLeft", {60, 0, 1024, 768}, {600, 400}, {242, 184}},
    // Too large for the area: its title bar stays inside, never above it.
    {"tallerThanTheArea", {0, 40, 800, 600}, {600, 700}, {100, 40}},
    {"widerThanTheArea", {60, 0, 800, 600}, {900, 400}, {60, 100}},
};

class WorkAreaCentre : public ::testing::TestWithParam<CentreCase> {};

TEST_P(WorkAreaCentre, PlacesTheWindowInTheMiddleOfTheArea)
{
    const CentreCase& c = GetParam();
    const POINT origin = CentreOrigin(c.area, c.window.cx, c.window.cy);
    EXPECT_EQ(origin.x, c.origin.x);
    EXPECT_EQ(origin.y, c.origin.y);
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkAreaCentre, ::testing::ValuesIn(kCentreCases),
                         [](const ::testing::TestParamInfo<CentreCase>& info) { return info.param.name; });

}  // namespace
