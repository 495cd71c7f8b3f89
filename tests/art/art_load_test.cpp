// The system's loaders accept every picture of the program, at the sizes the windows use.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "resources/resource_ids.h"
#include "util/win_imagelist.h"

namespace {

struct BitmapCase {
  const char* name;  // resource name, or null for an id
  int id;
  int width, height;
  int images;  // images of height x height in a masked strip; 0 for a plain picture
};

const BitmapCase kBitmaps[] = {
    {"CATLISTBMP", 0, 48, 16, 3},
    {"FOLDERSBMP", 0, 32, 16, 2},
    {nullptr, IDB_MAIN_TOOLBAR, 342, 18, 19},
    {nullptr, IDB_VIEWER_TOOLBAR, 342, 18, 19},
    {nullptr, IDB_FIND_RESULT_TOOLBAR, 90, 18, 5},
    {"FILEICONLIST", 0, 80, 16, 5},
    {"EXTPROCBMP", 0, 16, 16, 1},
    {"VELTRA_BRUSH", 0, 8, 8, 0},
    {"SPLASH", 0, 402, 174, 0},
    {"LOGOBMP", 0, 110, 200, 0},
    {"INTERCHANGEFILELOGO", 0, 110, 200, 0},
    {"INTERCHANGEFILEBACKUP", 0, 110, 200, 0},
};

const char* ResourceName(const BitmapCase& c) {
  return c.name ? c.name : MAKEINTRESOURCEA(c.id);
}

TEST(ArtLoad, BitmapsHaveTheirSizesAndImageCounts) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  for (const BitmapCase& c : kBitmaps) {
    SCOPED_TRACE(c.name ? c.name : "numbered bitmap");
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(self, ResourceName(c), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(bmp, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bmp, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, c.height);
    DeleteObject(bmp);
  }
  // the dialog brush is made from its bitmap
  HBITMAP pattern = LoadBitmapA(self, "VELTRA_BRUSH");
  ASSERT_NE(pattern, nullptr);
  HBRUSH brush = CreatePatternBrush(pattern);
  EXPECT_NE(brush, nullptr);
  DeleteObject(brush);
  DeleteObject(pattern);
}

// Pixels of a bitmap as 32-bit top-down BGRX values.
std::vector<DWORD> BitmapPixels(HBITMAP bitmap, int width, int height) {
  std::vector<DWORD> pixels(size_t(width) * size_t(height));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) pixels.clear();
  return pixels;
}

// Every image of a strip, drawn from the program's image list onto a plain background, shows the
// strip's own pixels, and the background where the strip has the mask colour.
TEST(ArtLoad, StripImageListsDrawTheBitmapsColours) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  const DWORD kMagenta = 0x00FF00FF;     // BGRX of RGB(255, 0, 255)
  const COLORREF kBackground = RGB(12, 140, 77);
  const DWORD kBackgroundPixel = 0x000C8C4D;
  for (const BitmapCase& c : kBitmaps) {
    if (c.images == 0) continue;
    SCOPED_TRACE(c.name ? c.name : "numbered bitmap");
    HIMAGELIST list = CreateStripImageList(self, ResourceName(c));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), c.images);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    EXPECT_EQ(cx, c.height);
    EXPECT_EQ(cy, c.height);

    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(self, ResourceName(c), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(strip, nullptr);
    const std::vector<DWORD> expected = BitmapPixels(strip, c.width, c.height);
    DeleteObject(strip);
    ASSERT_EQ(expected.size(), size_t(c.width) * size_t(c.height));

    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.height;
    bi.bmiHeader.biHeight = -c.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(target, nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    const DWORD* drawn = static_cast<const DWORD*>(bits);
    int wrong = 0, coloured = 0;
    for (int image = 0; image < c.images; ++image) {
      HBRUSH brush = CreateSolidBrush(kBackground);
      RECT all = {0, 0, c.height, c.height};
      FillRect(dc, &all, brush);
      DeleteObject(brush);
      ASSERT_TRUE(ImageList_Draw(list, image, dc, 0, 0, ILD_NORMAL));
      GdiFlush();
      for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.height; ++x) {
          DWORD want = expected[size_t(y) * size_t(c.width) + size_t(image * c.height + x)] & 0xFFFFFF;
          if (want == kMagenta) want = kBackgroundPixel; else ++coloured;
          const DWORD got = drawn[size_t(y) * size_t(c.height) + size_t(x)] & 0xFFFFFF;
          if (got != want && wrong++ < 3)
            ADD_FAILURE() << "image " << image << " pixel (" << x << ", " << y << "): drawn " << std::hex << got
                          << ", bitmap " << want;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(coloured, 0);  // the strip is not all mask
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    ImageList_Destroy(list);
  }
}

// A missing bitmap gives no list, and appending it adds nothing.
TEST(ArtLoad, MissingStripGivesNoImages) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  EXPECT_EQ(CreateStripImageList(self, "NO_SUCH_STRIP"), nullptr);
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(AddStripToImageList(list, self, "NO_SUCH_STRIP"), -1);
  EXPECT_EQ(AddStripToImageList(nullptr, self, "CATLISTBMP"), -1);
  EXPECT_EQ(AddStripToImageList(list, self, "CATLISTBMP"), 3);
  EXPECT_EQ(AddStripToImageList(list, self, "FOLDERSBMP"), 2);
  EXPECT_EQ(ImageList_GetImageCount(list), 5);
  ImageList_Destroy(list);
}

TEST(ArtLoad, IconsHaveSmallAndLargeImages) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  const int ids[] = {IDI_TV,   IDI_ARCHIVE, IDI_TRAY,   IDI_MAIN_DOWNLOADS, IDI_MAIN_BOOKMARKS,
                     IDI_MAIN_SHORTCUTS,    IDI_LOCK, IDI_SETUP, IDI_INTERCHANGE_FILE,
                     IDI_BROWSE, IDI_STATE_MISSING, IDI_STATE_NEW, IDI_STATE_FOUND};
  for (int id : ids) {
    for (int size : {16, 32}) {
      SCOPED_TRACE(testing::Message() << "icon " << id << " at " << size);
      HICON icon = static_cast<HICON>(
          LoadImageA(self, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr);
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP colour{};
      ASSERT_NE(info.hbmColor, nullptr);
      GetObjectA(info.hbmColor, sizeof colour, &colour);
      EXPECT_EQ(colour.bmWidth, size);
      EXPECT_EQ(colour.bmHeight, size);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST(ArtLoad, CursorsHaveTheirHotSpots) {
  struct {
    const char* name;
    DWORD x, y;
  } const cases[] = {{"ACTIVELINKCURSOR", 5, 0}, {"DIVIDERCURSOR", 16, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), c.name);
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, c.x);
    EXPECT_EQ(info.yHotspot, c.y);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
}

}  // namespace
