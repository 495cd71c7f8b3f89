// The preferences page "Watched Folders" (template "SETUPWATCH"): the watched folders and, per
// folder, whether a new file is filed with the add/edit dialog or silently into a category.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "watch/watch_rules.h"

class TWatchPage {
public:
    // folders: the current list; categories: the names of the download categories to offer.
    TWatchPage(const std::vector<TWatchedFolder>& folders, const std::vector<std::string>& categories)
        : folders_(folders), categories_(categories) {}
    TWatchPage(const TWatchPage&) = delete;
    TWatchPage& operator=(const TWatchPage&) = delete;

    void AddPage(std::vector<PROPSHEETPAGEA>* pages, HINSTANCE instance);
    // True once the sheet was confirmed after the page was shown.
    bool applied() const { return applied_; }
    const std::vector<TWatchedFolder>& folders() const { return folders_; }

    // The folder the page suggests: the user's "Downloads" folder when it exists, else empty.
    static std::string SuggestedFolder();

private:
    static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
    void Init(HWND page);
    void FillList(HWND page, int select);
    void ShowSelection(HWND page);
    void StoreSelection(HWND page);
    void AddFolder(HWND page, const std::string& folder);
    void Remove(HWND page);

    std::vector<TWatchedFolder> folders_;
    std::vector<std::string> categories_;
    std::string suggestion_;
    bool applied_ = false;
    bool filling_ = false;
};
