// Image lists of the program's pictures. A bitmap strip is a row of images of equal width (as
// high as the bitmap unless told otherwise); pixels in the mask colour magenta are transparent.
// The lists are built as 24-bit masked lists from the strip loaded as a DIB section, so every
// image keeps its colours: a list loaded with ImageList_LoadImage(..., LR_CREATEDIBSECTION) as an
// 8-bit list loses the strip's colour table and draws silhouettes.
#pragma once

#include <windows.h>
#include <commctrl.h>

constexpr COLORREF TV_IMAGE_MASK_COLOUR = RGB(255, 0, 255);

// A new masked 24-bit list with every image of the bitmap resource (images imageWidth wide and as
// high as the bitmap; imageWidth 0: square images). Null when the bitmap is missing or the list
// cannot be made. The caller destroys the list.
HIMAGELIST CreateStripImageList(HINSTANCE module, const char* resource, int imageWidth = 0);
// Appends every image of the bitmap resource to list (whose image size cuts the strip). Returns
// the number of images added, or -1 when the bitmap is missing or the list refused it.
int AddStripToImageList(HIMAGELIST list, HINSTANCE module, const char* resource);
