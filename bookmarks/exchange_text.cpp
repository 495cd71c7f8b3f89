#include "bookmarks/exchange_text.h"

#include <cstring>

#include "util/safestr.h"

namespace {

// Windows-1252 in 0x80..0x9F; the five unused bytes stand for the C1 control of the same value.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct NamedReference {
    const char* name;
    uint32_t codePoint;
};

// Names are case-sensitive, as in HTML.
const NamedReference kNamed[] = {
    {"amp", '&'},        {"lt", '<'},          {"gt", '>'},          {"quot", '"'},        {"apos", '\''},
    {"euro", 0x20AC},    {"sbquo", 0x201A},    {"fnof", 0x0192},     {"bdquo", 0x201E},    {"hellip", 0x2026},
    {"dagger", 0x2020},  {"Dagger", 0x2021},   {"circ", 0x02C6},     {"permil", 0x2030},   {"Scaron", 0x0160},
    {"lsaquo", 0x2039},  {"OElig", 0x0152},    {"lsquo", 0x2018},    {"rsquo", 0x2019},    {"ldquo", 0x201C},
    {"rdquo", 0x201D},   {"bull", 0x2022},     {"ndash", 0x2013},    {"mdash", 0x2014},    {"tilde", 0x02DC},
    {"trade", 0x2122},   {"scaron", 0x0161},   {"rsaquo", 0x203A},   {"oelig", 0x0153},    {"Yuml", 0x0178},
    {"nbsp", 160},       {"iexcl", 161},       {"cent", 162},        {"pound", 163},       {"curren", 164},
    {"yen", 165},        {"brvbar", 166},      {"sect", 167},        {"uml", 168},         {"copy", 169},
    {"ordf", 170},       {"laquo", 171},       {"not", 172},         {"shy", 173},         {"reg", 174},
    {"macr", 175},       {"deg", 176},         {"plusmn", 177},      {"sup2", 178},        {"sup3", 179},
    {"acute", 180},      {"micro", 181},       {"para", 182},        {"middot", 183},      {"cedil", 184},
    {"sup1", 185},       {"ordm", 186},        {"raquo", 187},       {"frac14", 188},      {"frac12", 189},
    {"frac34", 190},     {"iquest", 191},      {"Agrave", 192},      {"Aacute", 193},      {"Acirc", 194},
    {"Atilde", 195},     {"Auml", 196},        {"Aring", 197},       {"AElig", 198},       {"Ccedil", 199},
    {"Egrave", 200},     {"Eacute", 201},      {"Ecirc", 202},       {"Euml", 203},        {"Igrave", 204},
    {"Iacute", 205},     {"Icirc", 206},       {"Iuml", 207},        {"ETH", 208},         {"Ntilde", 209},
    {"Ograve", 210},     {"Oacute", 211},      {"Ocirc", 212},       {"Otilde", 213},      {"Ouml", 214},
    {"times", 215},      {"Oslash", 216},      {"Ugrave", 217},      {"Uacute", 218},      {"Ucirc", 219},
    {"Uuml", 220},       {"Yacute", 221},      {"THORN", 222},       {"szlig", 223},       {"agrave", 224},
    {"aacute", 225},     {"acirc", 226},       {"atilde", 227},      {"auml", 228},        {"aring", 229},
    {"aelig", 230},      {"ccedil", 231},      {"egrave", 232},      {"eacute", 233},      {"ecirc", 234},
    {"euml", 235},       {"igrave", 236},      {"iacute", 237},      {"icirc", 238},       {"iuml", 239},
    {"eth", 240},        {"ntilde", 241},      {"ograve", 242},      {"oacute", 243},      {"ocirc", 244},
    {"otilde", 245},     {"ouml", 246},        {"divide", 247},      {"oslash", 248},      {"ugrave", 249},
    {"uacute", 250},     {"ucirc", 251},       {"uuml", 252},        {"yacute", 253},      {"thorn", 254},
    {"yuml", 255},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

// A reference at text[0] == '&'. Returns the bytes it takes (0 when it is none) and its code point.
size_t ParseReference(const char* text, size_t length, uint32_t* codePoint) {
    if (length < 3) return 0;
    if (text[1] == '#') {
        size_t i = 2;
        const bool hex = i < length && (text[i] == 'x' || text[i] == 'X');
        if (hex) ++i;
        const size_t first = i;
        uint64_t value = 0;
        while (i < length && (hex ? IsHexDigit(text[i]) : IsDigit(text[i]))) {
            const char c = text[i];
            const uint32_t digit = IsDigit(c) ? uint32_t(c - '0') : uint32_t(Lower(c) - 'a' + 10);
            if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + digit;
            ++i;
        }
        if (i == first) return 0;
        if (i < length && text[i] == ';') ++i;
        // As browsers read them: 128..159 name the Windows-1252 characters; zero, surrogates and
        // values beyond Unicode stand for the replacement character.
        if (value >= 0x80 && value <= 0x9F)
            value = kCp1252High[value - 0x80];
        else if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
            value = 0xFFFD;
        *codePoint = uint32_t(value);
        return i;
    }
    size_t i = 1;
    while (i < length && i < 10 && (IsAsciiLetter(text[i]) || IsDigit(text[i]))) ++i;
    if (i == 1 || i >= length || text[i] != ';') return 0;
    const size_t nameLength = i - 1;
    for (const NamedReference& entry : kNamed) {
        if (std::strlen(entry.name) == nameLength && std::memcmp(entry.name, text + 1, nameLength) == 0) {
            *codePoint = entry.codePoint;
            return i + 1;
        }
    }
    return 0;
}

// One UTF-8 sequence at text[0] (a byte >= 0x80). Returns its length, 0 when it is not valid.
size_t ParseUtf8(const unsigned char* text, size_t length, uint32_t* codePoint) {
    const unsigned char lead = text[0];
    size_t count;
    uint32_t value, minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (length < count) return 0;
    for (size_t i = 1; i < count; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (text[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *codePoint = value;
    return count;
}

void AppendCodePoint(std::string* out, uint32_t codePoint, const TAnsiCodec& codec) {
    if (codePoint < 0x80) {
        out->push_back(char(codePoint));
    } else if (!codec.AppendAnsi(out, codePoint)) {
        out->push_back('?');
    }
}

bool IsForbiddenNameChar(char c) {
    return static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

bool IsDeviceName(const std::string& name) {
    const size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = Lower(c);
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    for (const char* device : kDevices)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

void TrimDotsAndBlanks(std::string* text, bool leading, bool trailing) {
    if (trailing)
        while (!text->empty() && (text->back() == ' ' || text->back() == '.')) text->pop_back();
    if (leading) {
        size_t i = 0;
        while (i < text->size() && ((*text)[i] == ' ' || (*text)[i] == '.')) ++i;
        text->erase(0, i);
    }
}

}  // namespace

uint32_t TAnsiCodec::ToUnicode(const char* text, size_t, size_t* used) const {
    if (used) *used = 1;
    const unsigned char c = static_cast<unsigned char>(text[0]);
    return c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : c;
}

bool TAnsiCodec::AppendAnsi(std::string* out, uint32_t codePoint) const {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        out->push_back(char(codePoint));
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == codePoint) {
            out->push_back(char(0x80 + i));
            return true;
        }
    }
    return false;
}

const TAnsiCodec& DefaultAnsiCodec() {
    static const TAnsiCodec codec;
    return codec;
}

std::string DecodeBrowserText(const char* text, size_t length, TvTextEncoding encoding, bool decodeReferences,
                              const TAnsiCodec& codec) {
    if (length == 0) return std::string();
    // Most texts hold nothing to decode.
    bool plain = (!decodeReferences || !std::memchr(text, '&', length)) && !std::memchr(text, '\0', length);
    for (size_t i = 0; plain && encoding == TV_TEXT_UTF8 && i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) plain = false;
    if (plain) return std::string(text, length);
    std::string out;
    out.reserve(length);
    size_t i = 0;
    while (i < length) {
        const char c = text[i];
        uint32_t codePoint = 0;
        if (c == '&' && decodeReferences) {
            const size_t used = ParseReference(text + i, length - i, &codePoint);
            if (used) {
                AppendCodePoint(&out, codePoint, codec);
                i += used;
                continue;
            }
        } else if (encoding == TV_TEXT_UTF8 && static_cast<unsigned char>(c) >= 0x80) {
            const size_t used = ParseUtf8(reinterpret_cast<const unsigned char*>(text + i), length - i, &codePoint);
            if (used) {
                AppendCodePoint(&out, codePoint, codec);
                i += used;
                continue;
            }
        }
        // A NUL byte ends a text of the program: it is dropped, as browsers drop it.
        if (c != '\0') out.push_back(c);
        ++i;
    }
    return out;
}

void AppendHtmlEscaped(std::string* out, const char* text, const TAnsiCodec& codec) {
    if (!text) return;
    const size_t length = std::strlen(text);
    size_t i = 0;
    while (i < length) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t used = 1;
        switch (c) {
            case '&': out->append("&amp;"); break;
            case '<': out->append("&lt;"); break;
            case '>': out->append("&gt;"); break;
            case '"': out->append("&quot;"); break;
            default:
                if ((c >= 32 && c < 127) || c == '\t' || c == '\r' || c == '\n') {
                    out->push_back(char(c));
                } else {
                    const uint32_t codePoint = c < 0x80 ? c : codec.ToUnicode(text + i, length - i, &used);
                    if (used == 0 || used > length - i) used = 1;
                    out->append("&#");
                    out->append(std::to_string(codePoint));
                    out->push_back(';');
                }
                break;
        }
        i += used;
    }
}

std::string HtmlEscaped(const char* text, const TAnsiCodec& codec) {
    std::string out;
    AppendHtmlEscaped(&out, text, codec);
    return out;
}

void AppendDelimitedField(std::string* out, const char* text, const char* delimiter) {
    if (!text) return;
    bool quote = false;
    for (const char* p = text; *p && !quote; ++p)
        quote = *p == '"' || *p == '\r' || *p == '\n' || (delimiter && *delimiter && std::strchr(delimiter, *p));
    if (!quote) {
        out->append(text);
        return;
    }
    out->push_back('"');
    for (const char* p = text; *p; ++p) {
        if (*p == '"') out->push_back('"');
        out->push_back(*p);
    }
    out->push_back('"');
}

std::string CleanFolderName(const char* name) {
    std::string out;
    if (!name) return out;
    for (const char* p = name; *p; ++p)
        if (!IsForbiddenNameChar(*p)) out.push_back(*p);
    out = TrimBlanksAndTabs(out);
    size_t dots = 0;
    while (dots < out.size() && (out[dots] == '.' || out[dots] == ' ')) ++dots;
    out.erase(0, dots);
    if (out.size() > TV_PATH_SIZE - 1) out.resize(TV_PATH_SIZE - 1);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string CleanFavoritesFileName(const char* title, size_t maxLength) {
    std::string out;
    if (!title) return out;
    if (maxLength < 1) maxLength = 1;
    for (const char* p = title; *p; ++p)
        if (!IsForbiddenNameChar(*p)) out.push_back(*p);
    TrimDotsAndBlanks(&out, true, true);
    if (IsDeviceName(out)) {
        const size_t dot = out.find('.');
        out.insert(dot == std::string::npos ? out.size() : dot, "_");
    }
    if (out.size() > maxLength) {
        out.resize(maxLength);
        TrimDotsAndBlanks(&out, false, true);
    }
    return out;
}

std::string ReadInternetShortcutUrl(TByteStream* file) {
    if (!file) return std::string();
    TTextLineReader reader(file);
    std::string line;
    bool inSection = false;
    while (reader.ReadLine(&line)) {
        const std::string trimmed = TrimBlanksAndTabs(line);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed[0] == '[') {
            const size_t end = trimmed.find(']');
            const std::string name = TrimBlanksAndTabs(trimmed.substr(1, end == std::string::npos ? std::string::npos : end - 1));
            inSection = name.size() == 16 && FindNoCase(name, "InternetShortcut") == 0;
            continue;
        }
        if (!inSection) continue;
        const size_t equals = trimmed.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = TrimBlanksAndTabs(trimmed.substr(0, equals));
        if (key.size() != 3 || FindNoCase(key, "URL") != 0) continue;
        std::string value = TrimBlanksAndTabs(trimmed.substr(equals + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::string();
}

bool TTextLineReader::Fill() {
    if (eof_ || !file_) return false;
    if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
    const size_t chunk = 65536;
    const size_t old = buffer_.size();
    buffer_.resize(old + chunk);
    const size_t got = file_->Read(&buffer_[old], chunk);
    buffer_.resize(old + got);
    if (got == 0) eof_ = true;
    return got > 0;
}

bool TTextLineReader::ReadLine(std::string* line) {
    size_t scan = pos_;
    for (;;) {
        size_t i = scan;
        while (i < buffer_.size() && buffer_[i] != '\r' && buffer_[i] != '\n' && buffer_[i] != '\0') ++i;
        if (i < buffer_.size()) {
            // A CR at the end of what was read may be the first half of CR LF.
            if (buffer_[i] == '\r' && i + 1 == buffer_.size() && !eof_) {
                const size_t offset = i - pos_;
                Fill();
                i = pos_ + offset;
            }
            line->assign(buffer_, pos_, i - pos_);
            size_t next = i + 1;
            if (buffer_[i] == '\r' && next < buffer_.size() && buffer_[next] == '\n') ++next;
            pos_ = next;
            return true;
        }
        const size_t offset = i - pos_;
        if (!Fill()) {
            if (pos_ >= buffer_.size()) return false;
            line->assign(buffer_, pos_, std::string::npos);
            pos_ = buffer_.size();
            return true;
        }
        scan = pos_ + offset;
    }
}

size_t FindNoCase(const std::string& text, const char* pattern, size_t from) {
    const size_t n = std::strlen(pattern);
    if (n == 0) return from <= text.size() ? from : std::string::npos;
    if (text.size() < n) return std::string::npos;
    const char first = Lower(pattern[0]);
    for (size_t i = from; i + n <= text.size(); ++i) {
        if (Lower(text[i]) != first) continue;
        size_t k = 1;
        while (k < n && Lower(text[i + k]) == Lower(pattern[k])) ++k;
        if (k == n) return i;
    }
    return std::string::npos;
}

std::string TrimBlanksAndTabs(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}
