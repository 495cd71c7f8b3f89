// The integration pages of the preferences: "SETUPINTEGRATION" and the browser pages "SETUPIE",
// "SETUPNN" and "SETUPOPERA", which work on one copy of the integration settings.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <vector>

#include "database/settings.h"

class TIntegrationPages {
public:
    explicit TIntegrationPages(const IntegrationSettings& settings) : settings_(settings) {}
    TIntegrationPages(const TIntegrationPages&) = delete;
    TIntegrationPages& operator=(const TIntegrationPages&) = delete;

    // Appends the four pages to the sheet's pages (their order in the sheet follows).
    void AddPages(std::vector<PROPSHEETPAGEA>* pages, HINSTANCE instance);
    // True once the sheet was confirmed (every page that was shown has stored its fields).
    bool applied() const { return applied_; }
    const IntegrationSettings& settings() const { return settings_; }

    // Page state, for the page procedures.
    struct Page {
        TIntegrationPages* owner;
        int kind;  // 0 integration, 1 IE, 2 Netscape, 3 Opera
    };

private:
    friend struct TIntegrationPageAccess;
    IntegrationSettings settings_;
    bool applied_ = false;
    int firstIndex_ = -1;  // index of "SETUPINTEGRATION" in the sheet; the browser pages follow
    Page pages_[4] = {{this, 0}, {this, 1}, {this, 2}, {this, 3}};
};
