#include "export/filedb_export.h"

#include <cstring>

#include "bookmarks/export_tree.h"
#include "util/format.h"
#include "util/text.h"
#include "util/strings.h"
#include "util/safestr.h"

namespace {

uint64_t FileSize(const FileItem* r) { return (uint64_t(r->sizeHigh) << 32) | r->sizeLow; }

class FileDatabaseWriter {
public:
    FileDatabaseWriter(TByteStream* file, const TFileDatabaseExportJob& job)
        : out_(file), job_(job), s_(*job.settings), codec_(job.codec ? *job.codec : DefaultAnsiCodec()),
          tree_(job.categories, TV_KIND_DOWNLOADS) {
        const bool onlySelected = s_.onlySelected != 0;
        for (const ListNode* node = job.downloads->First(); node; node = node->next) {
            if (!node->item || !job.downloads->IsItemValid(node->item)) continue;
            if (onlySelected && !job.selection.Includes(node)) continue;
            tree_.AddItem(TFileListObject::Item(node)->categoryId, node);
        }
    }

    bool WriteHtml();
    bool WriteComma();

private:
    bool Field(int field) const { return s_.fields[field] != 0; }
    std::string Description(const FileItem* r) const {
        std::string text = r->description;
        if (s_.limitDescription) {
            const size_t limit = s_.descriptionLimit > 0 ? size_t(s_.descriptionLimit) : 0;
            if (text.size() > limit) text.resize(limit);
        }
        return text;
    }
    // "date<gap>time", empty for an unset time.
    std::string DateTime(const TvFileTime& time, const char* gap) const {
        if (time.IsZero()) return std::string();
        std::string date, clock;
        if (job_.formatTime)
            job_.formatTime(time, &date, &clock);
        else
            FormatFileTimeIso(time, &date, &clock);
        return date + gap + clock;
    }

    TExportOutput out_;
    const TFileDatabaseExportJob& job_;
    const FileDatabaseExportSettings& s_;
    const TAnsiCodec& codec_;
    TExportTree tree_;
};

bool FileDatabaseWriter::WriteHtml() {
    const TTemplateTexts T(TV_IDS_DBHTML_HEAD, 18);
    out_.Append(T(TV_IDS_DBHTML_HEAD));
    bool anyCategory = false;
    static const int kUnits[] = {TV_UNIT_KB, TV_UNIT_MB, TV_UNIT_BYTES};
    const int unit = kUnits[s_.sizeUnit <= TV_DBSIZE_BYTES ? s_.sizeUnit : 0];
    tree_.Walk([&](const ListNode* category, int, bool entering) {
        const CategoryItem* c = TCategoryListObject::Item(category);
        const std::vector<const ListNode*>& items = tree_.Items(c->id);
        const bool heading = !items.empty() && c->id != 0 && Field(TV_DBFIELD_CATEGORY);
        if (!entering) {
            if (heading) out_.Append(T(TV_IDS_DBHTML_CATEGORY_CLOSE));
            return true;
        }
        for (size_t i = 0; i < items.size(); ++i) {
            const FileItem* r = TFileListObject::Item(items[i]);
            if (i == 0) {
                if (anyCategory) out_.Append(T(TV_IDS_DBHTML_CATEGORY_BREAK));
                anyCategory = true;
                if (heading) {
                    out_.Append(T(TV_IDS_DBHTML_CATEGORY_OPEN));
                    out_.AppendHtml(c->name, codec_);
                    out_.Append(T(TV_IDS_DBHTML_CATEGORY_NAMED));
                }
            } else {
                out_.Append(T(TV_IDS_DBHTML_ITEM_BREAK));
            }
            if (Field(TV_DBFIELD_FILE_NAME)) {
                out_.Append(T(TV_IDS_DBHTML_NAME_OPEN));
                const std::string url = Field(TV_DBFIELD_WEBSITE) ? ExportedUrl(r->website, s_.expandUrls) : std::string();
                if (!url.empty()) {
                    out_.Append("<A HREF=\"");
                    out_.AppendHtml(url.c_str(), codec_);
                    out_.Append("\">");
                }
                out_.AppendHtml(r->fileName, codec_);
                if (!url.empty()) out_.Append("</A>");
                out_.Append(T(TV_IDS_DBHTML_NAME_CLOSE));
            }
            out_.Append(T(TV_IDS_DBHTML_DETAILS_OPEN));
            if (Field(TV_DBFIELD_SIZE)) {
                char size[64];
                FormatSizeText(size, sizeof size, FileSize(r), unit);
                out_.Append(T(TV_IDS_DBHTML_SIZE));
                out_.Append(size);
                out_.Append(T(TV_IDS_DBHTML_SIZE_END));
            }
            if (Field(TV_DBFIELD_DOWNLOAD_DATE)) {
                out_.Append(T(TV_IDS_DBHTML_DOWNLOADED));
                out_.AppendHtml(DateTime(r->downloadDate, "   ").c_str(), codec_);
                out_.Append(T(TV_IDS_DBHTML_DOWNLOADED_END));
            }
            if (Field(TV_DBFIELD_UNPACK_DATE) || Field(TV_DBFIELD_EXTRACTED_TO)) {
                out_.Append(T(TV_IDS_DBHTML_UNPACKED));
                if (Field(TV_DBFIELD_UNPACK_DATE) && !r->unpackDate.IsZero()) {
                    out_.AppendHtml(DateTime(r->unpackDate, "   ").c_str(), codec_);
                    if (Field(TV_DBFIELD_EXTRACTED_TO)) out_.Append(" -- ");
                }
                if (Field(TV_DBFIELD_EXTRACTED_TO)) out_.AppendHtml(r->extractedTo, codec_);
                out_.Append(T(TV_IDS_DBHTML_UNPACKED_END));
            }
            if (Field(TV_DBFIELD_DESCRIPTION)) {
                out_.Append(T(TV_IDS_DBHTML_DESCRIPTION));
                out_.AppendHtml(Description(r).c_str(), codec_, true);
            }
            out_.Append(T(TV_IDS_DBHTML_DETAILS_CLOSE));
        }
        return true;
    });
    out_.Append(T(TV_IDS_DBHTML_FOOT));
    return out_.Finish();
}

bool FileDatabaseWriter::WriteComma() {
    const std::string delimiter = s_.delimiterMode == 1   ? std::string("\t")
                                  : s_.delimiterMode == 2 ? std::string("\r\n")
                                                          : std::string(1, s_.delimiter ? s_.delimiter : ',');
    static const uint64_t kDivisors[] = {1024, 1024 * 1024, 1};
    const uint64_t divisor = kDivisors[s_.sizeUnit <= TV_DBSIZE_BYTES ? s_.sizeUnit : 0];
    for (const ListNode* category : tree_.Flat()) {
        const CategoryItem* c = TCategoryListObject::Item(category);
        for (const ListNode* node : tree_.Items(c->id)) {
            const FileItem* r = TFileListObject::Item(node);
            auto field = [&](int which, const std::string& text) {
                if (!Field(which)) return;
                out_.AppendField(text.c_str(), delimiter);
                // The extracted-to folder ends the record without a delimiter after it.
                if (which != TV_DBFIELD_EXTRACTED_TO) out_.Append(delimiter);
            };
            field(TV_DBFIELD_FILE_NAME, r->fileName);
            field(TV_DBFIELD_CATEGORY, c->name);
            field(TV_DBFIELD_DESCRIPTION, Field(TV_DBFIELD_DESCRIPTION) ? Description(r) : std::string());
            field(TV_DBFIELD_SIZE, std::to_string(FileSize(r) / divisor));
            field(TV_DBFIELD_DOWNLOAD_DATE, DateTime(r->downloadDate, " "));
            field(TV_DBFIELD_WEBSITE, Field(TV_DBFIELD_WEBSITE) ? ExportedUrl(r->website, s_.expandUrls) : std::string());
            field(TV_DBFIELD_UNPACK_DATE, DateTime(r->unpackDate, " "));
            field(TV_DBFIELD_EXTRACTED_TO, r->extractedTo);
            out_.Append("\r\n");
        }
    }
    return out_.Finish();
}

}  // namespace

void FormatFileTimeIso(const TvFileTime& time, std::string* date, std::string* clock) {
    // 100-ns intervals since 1601-01-01 to a civil date (proleptic Gregorian calendar).
    const uint64_t seconds = time.Value() / 10000000u;
    int64_t days = int64_t(seconds / 86400);
    const uint64_t rest = seconds % 86400;
    days -= 134774;  // days from 1601-01-01 to 1970-01-01
    // Howard Hinnant's days-to-civil algorithm.
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    FormatLimited(text, sizeof text, "%04lld-%02lld-%02lld", static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day));
    if (date) *date = text;
    FormatLimited(text, sizeof text, "%02u:%02u", unsigned(rest / 3600), unsigned(rest / 60 % 60));
    if (clock) *clock = text;
}

bool WriteFileDatabaseExport(TByteStream* file, const TFileDatabaseExportJob& job, int format) {
    if (!file || !job.settings || !job.downloads || !job.categories) return false;
    if (format < 0) format = job.settings->format;
    FileDatabaseWriter writer(file, job);
    if (format == TV_DBEXPORT_HTML) return writer.WriteHtml();
    if (format == TV_DBEXPORT_COMMA) return writer.WriteComma();
    return false;
}
