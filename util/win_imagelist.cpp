#include "util/win_imagelist.h"

namespace {

HBITMAP LoadStrip(HINSTANCE module, const char* resource) {
    return static_cast<HBITMAP>(LoadImageA(module, resource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

HIMAGELIST CreateStripImageList(HINSTANCE module, const char* resource, int imageWidth) {
    HBITMAP strip = LoadStrip(module, resource);
    if (!strip) return nullptr;
    BITMAP info = {};
    HIMAGELIST list = nullptr;
    if (GetObjectA(strip, sizeof info, &info) == int(sizeof info) && info.bmHeight > 0) {
        const int width = imageWidth > 0 ? imageWidth : info.bmHeight;
        const int count = info.bmWidth / width;
        if (count > 0) list = ImageList_Create(width, info.bmHeight, ILC_COLOR24 | ILC_MASK, count, 0);
        if (list && ImageList_AddMasked(list, strip, TV_IMAGE_MASK_COLOUR) < 0) {
            ImageList_Destroy(list);
            list = nullptr;
        }
    }
    DeleteObject(strip);
    return list;
}

int AddStripToImageList(HIMAGELIST list, HINSTANCE module, const char* resource) {
    if (!list) return -1;
    HBITMAP strip = LoadStrip(module, resource);
    if (!strip) return -1;
    const int before = ImageList_GetImageCount(list);
    const int first = ImageList_AddMasked(list, strip, TV_IMAGE_MASK_COLOUR);
    DeleteObject(strip);
    return first < 0 ? -1 : ImageList_GetImageCount(list) - before;
}
