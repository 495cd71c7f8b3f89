// The system's loaders accept every picture of the program, at the sizes the windows use.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resources/resource_ids.h"

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
    if (c.images > 0) {
      // the way the windows build their image lists: masked with magenta
      HIMAGELIST list = ImageList_LoadImageA(self, ResourceName(c), c.height, 0, RGB(255, 0, 255),
                                             IMAGE_BITMAP, LR_CREATEDIBSECTION);
      ASSERT_NE(list, nullptr);
      EXPECT_EQ(ImageList_GetImageCount(list), c.images);
      ImageList_Destroy(list);
    }
  }
  // the dialog brush is made from its bitmap
  HBITMAP pattern = LoadBitmapA(self, "VELTRA_BRUSH");
  ASSERT_NE(pattern, nullptr);
  HBRUSH brush = CreatePatternBrush(pattern);
  EXPECT_NE(brush, nullptr);
  DeleteObject(brush);
  DeleteObject(pattern);
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
