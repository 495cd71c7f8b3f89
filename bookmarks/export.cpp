#include "bookmarks/export.h"

#include <cstring>
#include <unordered_map>

#include "bookmarks/export_tree.h"
#include "util/strings.h"
#include "util/url.h"
#include "util/safestr.h"

namespace {

// Title, name or URL on one line (an Opera record or a shortcut file ends at a line break).
std::string OneLine(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) out.push_back(*p == '\r' || *p == '\n' ? ' ' : *p);
    return out;
}

// Line breaks of an Opera description as its two bytes 02 02.
std::string OperaDescription(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\r' || *p == '\n') {
            if (*p == '\r' && p[1] == '\n') ++p;
            out.append("\x02\x02");
        } else {
            out.push_back(*p);
        }
    }
    return out;
}

std::string Delimiter(uint8_t mode, char character) {
    if (mode == 1) return "\t";
    if (mode == 2) return "\r\n";
    return std::string(1, character ? character : ',');
}

class BookmarkWriter {
public:
    BookmarkWriter(TByteStream* file, const TBookmarkExportJob& job)
        : out_(file), job_(job), codec_(job.codec ? *job.codec : DefaultAnsiCodec()),
          tree_(job.categories, TV_KIND_BOOKMARKS) {
        const bool onlySelected = job.settings->onlySelected != 0;
        for (const ListNode* node = job.bookmarks->First(); node; node = node->next) {
            if (!node->item || !job.bookmarks->IsItemValid(node->item)) continue;
            const BookmarkItem* r = TBookmarkListObject::Item(node);
            if (onlySelected && (!job.selection.Includes(node) || !TBookmarkListObject::IsItemShown(r))) continue;
            tree_.AddItem(r->categoryId, node);
        }
    }

    bool WriteHtml();
    bool WriteComma();
    bool WriteText();
    bool WriteNetscape();
    bool WriteOpera();

private:
    static const BookmarkItem* Record(const ListNode* node) { return TBookmarkListObject::Item(node); }
    std::string Url(const BookmarkItem* r) const { return ExportedUrl(r->url, job_.settings->expandUrls); }

    TExportOutput out_;
    const TBookmarkExportJob& job_;
    const TAnsiCodec& codec_;
    TExportTree tree_;
};

bool BookmarkWriter::WriteHtml() {
    const TTemplateTexts T(TV_IDS_BMHTML_HEAD, 10);
    out_.Append(T(TV_IDS_BMHTML_HEAD));
    bool anyCategory = false;
    tree_.Walk([&](const ListNode* category, int, bool entering) {
        const CategoryItem* c = TCategoryListObject::Item(category);
        const std::vector<const ListNode*>& items = tree_.Items(c->id);
        // The heading is written with the first bookmark and closed after the subcategories.
        const bool heading = !items.empty() && c->id != 0;
        if (!entering) {
            if (heading) out_.Append(T(TV_IDS_BMHTML_CATEGORY_CLOSE));
            return true;
        }
        for (size_t i = 0; i < items.size(); ++i) {
            const BookmarkItem* r = Record(items[i]);
            if (i == 0) {
                if (anyCategory) out_.Append(T(TV_IDS_BMHTML_CATEGORY_BREAK));
                anyCategory = true;
                if (heading) {
                    out_.Append(T(TV_IDS_BMHTML_CATEGORY_OPEN));
                    out_.AppendHtml(c->name, codec_);
                    out_.Append(T(TV_IDS_BMHTML_CATEGORY_NAMED));
                }
            } else {
                out_.Append(T(TV_IDS_BMHTML_ITEM_BREAK));
            }
            out_.Append(T(TV_IDS_BMHTML_ITEM_OPEN));
            out_.Append("<A HREF=\"");
            out_.AppendHtml(Url(r).c_str(), codec_);
            out_.Append("\">");
            out_.AppendHtml(r->title, codec_);
            out_.Append("</A>");
            out_.Append(T(TV_IDS_BMHTML_ITEM_DESCRIPTION));
            out_.AppendHtml(r->description, codec_, true);
            out_.Append(T(TV_IDS_BMHTML_ITEM_CLOSE));
        }
        return true;
    });
    out_.Append(T(TV_IDS_BMHTML_FOOT));
    return out_.Finish();
}

bool BookmarkWriter::WriteComma() {
    const std::string delimiter = Delimiter(job_.settings->delimiterMode, job_.settings->delimiter);
    for (const ListNode* category : tree_.Flat()) {
        const CategoryItem* c = TCategoryListObject::Item(category);
        for (const ListNode* node : tree_.Items(c->id)) {
            const BookmarkItem* r = Record(node);
            out_.AppendField(c->name, delimiter);
            out_.Append(delimiter);
            out_.AppendField(r->title, delimiter);
            out_.Append(delimiter);
            out_.AppendField(Url(r).c_str(), delimiter);
            out_.Append(delimiter);
            out_.AppendField(r->description, delimiter);
            out_.Append("\r\n");
        }
    }
    return out_.Finish();
}

bool BookmarkWriter::WriteText() {
    out_.Append(TvString(TV_IDS_BMTEXT_BANNER));
    bool first = true;
    for (const ListNode* category : tree_.Flat()) {
        const CategoryItem* c = TCategoryListObject::Item(category);
        const std::vector<const ListNode*>& items = tree_.Items(c->id);
        if (items.empty()) continue;
        if (!first) out_.Append("\r\n\r\n");
        first = false;
        out_.Append("[");
        out_.Append(c->name);
        out_.Append("]\r\n");
        for (const ListNode* node : items) {
            const BookmarkItem* r = Record(node);
            out_.Append("\r\n");
            out_.Append(r->title);
            out_.Append("\r\n");
            const std::string url = Url(r);
            if (!url.empty()) {
                out_.Append(">> ");
                out_.Append(url.c_str());
                out_.Append("\r\n");
            }
            if (r->description[0]) {
                out_.Append(">> ");
                out_.Append(std::string(r->description, strnlen(r->description, 996)).c_str());
                out_.Append("\r\n");
            }
        }
    }
    return out_.Finish();
}

bool BookmarkWriter::WriteNetscape() {
    const char* title = job_.settings->netscapeTitle ? job_.settings->netscapeTitle : "";
    out_.Append(
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
        "<!-- This is an automatically generated file.\n"
        "It will be read and overwritten.\n"
        "Do Not Edit! -->\n"
        "<TITLE>");
    out_.AppendHtml(title, codec_);
    out_.Append("</TITLE>\n<H1>");
    out_.AppendHtml(title, codec_);
    out_.Append("</H1>\n");
    // Folders are nested as in the tree. A folder is written when it holds exported bookmarks at
    // any depth, or (exporting everything) always, so that empty folders survive a round trip.
    const bool everything = job_.settings->onlySelected == 0;
    if (!tree_.HasContent(0) && !(everything && tree_.Root())) return out_.Finish();
    const std::string stamp = std::to_string(job_.timeStamp);
    auto indent = [&](int depth) { out_.Append(std::string(size_t(depth) * 4, ' ').c_str()); };
    tree_.Walk([&](const ListNode* category, int depth, bool entering) {
        const CategoryItem* c = TCategoryListObject::Item(category);
        if (c->id != 0 && !everything && !tree_.HasContent(c->id)) return false;
        if (!entering) {
            for (const ListNode* node : tree_.Items(c->id)) {
                const BookmarkItem* r = Record(node);
                indent(depth + 1);
                out_.Append("<DT><A HREF=\"");
                out_.AppendHtml(Url(r).c_str(), codec_);
                out_.Append("\" ADD_DATE=\"");
                out_.Append(stamp.c_str());
                out_.Append("\" LAST_VISIT=\"0\" LAST_MODIFIED=\"0\">");
                out_.AppendHtml(r->title, codec_);
                out_.Append("</A>\n");
                if (r->description[0]) {
                    out_.Append("<DD>");
                    out_.AppendHtml(r->description, codec_);
                    out_.Append("\r\n");
                }
            }
            indent(depth);
            out_.Append("</DL><p>\n");
            return true;
        }
        if (c->id != 0) {
            indent(depth);
            out_.Append("<DT><H3");
            if (c->id == job_.settings->netscapeMenuCategoryId) out_.Append(" MENUHEADER");
            if (c->id == job_.settings->netscapeNewItemsCategoryId) out_.Append(" NEWITEMHEADER");
            out_.Append(" ADD_DATE=\"0\">");
            out_.AppendHtml(c->name, codec_);
            out_.Append("</H3>\n");
        }
        indent(depth);
        out_.Append("<DL><p>\n");
        return true;
    });
    return out_.Finish();
}

bool BookmarkWriter::WriteOpera() {
    out_.Append("Opera Hotlist version 2.0\r\n\r\n");
    const std::string stamp = std::to_string(job_.timeStamp);
    tree_.Walk([&](const ListNode* category, int depth, bool entering) {
        if (!entering) {
            out_.Append("-\r\n");
            return true;
        }
        const CategoryItem* c = TCategoryListObject::Item(category);
        if (depth > 0) {
            out_.Append("#FOLDER\r\n  NAME=");
            out_.Append(OneLine(c->name).c_str());
            out_.Append("\r\n  ORDER=-1\r\n\r\n");
        }
        int n = 0;
        for (const ListNode* node : tree_.Items(c->id)) {
            const BookmarkItem* r = Record(node);
            out_.Append("#URL\r\n  NAME=");
            out_.Append(OneLine(r->title).c_str());
            out_.Append("\r\n  URL=");
            out_.Append(OneLine(Url(r).c_str()).c_str());
            out_.Append("\r\n  CREATED=");
            out_.Append(stamp.c_str());
            out_.Append("\r\n  VISITED=0\r\n  ORDER=");
            out_.Append(std::to_string(++n).c_str());
            out_.Append("\r\n");
            if (r->description[0]) {
                out_.Append("  DESCRIPTION=");
                out_.Append(OperaDescription(r->description).c_str());
                out_.Append("\r\n");
            }
            out_.Append("\r\n");
        }
        return true;
    });
    return out_.Finish();
}

std::string Lowered(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return out;
}

}  // namespace

std::string ExportedUrl(const char* url, int expand) {
    if (!url) return std::string();
    if (!expand) return url;
    const size_t length = std::strlen(url);
    std::vector<char> buffer(length + 16);
    CompleteUrl(buffer.data(), buffer.size(), url, 1);
    return buffer.data();
}

bool WriteBookmarkExport(TByteStream* file, const TBookmarkExportJob& job, int format) {
    if (!file || !job.settings || !job.bookmarks || !job.categories) return false;
    if (format < 0) format = job.settings->format;
    BookmarkWriter writer(file, job);
    switch (format) {
        case TV_EXPORT_HTML: return writer.WriteHtml();
        case TV_EXPORT_COMMA: return writer.WriteComma();
        case TV_EXPORT_TEXT: return writer.WriteText();
        case TV_EXPORT_NETSCAPE: return writer.WriteNetscape();
        case TV_EXPORT_OPERA: return writer.WriteOpera();
        default: return false;
    }
}

TFavoritesExportCounts ExportFavorites(TFavoritesSink* sink, const std::string& folder, const TBookmarkExportJob& job) {
    TFavoritesExportCounts counts;
    if (!sink || !job.settings || !job.bookmarks || !job.categories) return counts;
    // Longest folder that CreateDirectory takes, longest file path.
    const size_t kMaxFolder = 247, kMaxPath = 259;
    TExportTree tree(job.categories, TV_KIND_BOOKMARKS);
    const bool onlySelected = job.settings->onlySelected != 0;
    for (const ListNode* node = job.bookmarks->First(); node; node = node->next) {
        if (!node->item || !job.bookmarks->IsItemValid(node->item)) continue;
        const BookmarkItem* r = TBookmarkListObject::Item(node);
        if (onlySelected && (!job.selection.Includes(node) || !TBookmarkListObject::IsItemShown(r))) continue;
        tree.AddItem(r->categoryId, node);
    }
    std::string base = folder;
    if (base.empty() || (base.back() != '\\' && base.back() != '/')) base.push_back('\\');
    std::unordered_map<int32_t, std::string> paths;  // category id -> its folder
    paths[0] = base;
    tree.Walk([&](const ListNode* category, int, bool entering) {
        if (!entering) return true;
        const CategoryItem* c = TCategoryListObject::Item(category);
        const std::string& path = paths[c->id];
        if (path.empty() || path.size() > kMaxFolder || !sink->CreateFolder(path)) {
            counts.failed += uint32_t(tree.Items(c->id).size());
            return false;
        }
        std::unordered_map<std::string, int> used;
        for (const ListNode* node : tree.Items(c->id)) {
            const BookmarkItem* r = TBookmarkListObject::Item(node);
            const size_t room = kMaxPath - path.size() - 4;  // ".url"
            std::string name = CleanFavoritesFileName(r->title, room);
            if (name.empty()) name = CleanFavoritesFileName(TvString(TV_IDS_UNTITLED_BOOKMARK), room);
            // Two bookmarks with the same title get "name (2)", "name (3)", ...
            for (int n = 2; used.count(Lowered(name)) && n < 100000; ++n) {
                const std::string suffix = " (" + std::to_string(n) + ")";
                std::string stem = CleanFavoritesFileName(r->title[0] ? r->title : TvString(TV_IDS_UNTITLED_BOOKMARK),
                                                          room > suffix.size() ? room - suffix.size() : 1);
                name = stem + suffix;
            }
            if (name.empty() || name.size() > room) {
                ++counts.failed;
                continue;
            }
            used[Lowered(name)] = 1;
            if (sink->WriteShortcut(path + name + ".url", OneLine(ExportedUrl(r->url, job.settings->expandUrls).c_str())))
                ++counts.written;
            else
                ++counts.failed;
        }
        for (const ListNode* child : tree.Children(c->id)) {
            const CategoryItem* sub = TCategoryListObject::Item(child);
            const std::string name = CleanFavoritesFileName(sub->name, TV_PATH_SIZE - 1);
            paths[sub->id] = name.empty() ? std::string() : path + name + "\\";
        }
        return true;
    });
    return counts;
}
