// The drop target of a viewer window and its member list: takes lists of file names (the
// standard file-drop format) and hands the data object to the viewer (WM_USER + 3).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

// A new drop target for viewer (reference count 1; the caller releases it).
IDropTarget* CreateViewerDropTarget(HWND viewer);

// The file names a data object offers in the file-drop format (empty when it offers none).
std::vector<std::string> DroppedFileNames(IDataObject* data);

// Sends WM_USER + 3 with the data object to the viewer. The viewer takes only data objects sent
// this way (the message from another program would carry a pointer of no meaning here).
LRESULT SendFilesDropped(HWND viewer, IDataObject* data);
// True while this data object is being handed over by SendFilesDropped.
bool IsDroppedDataHandedOver(IDataObject* data);
