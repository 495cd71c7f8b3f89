// Texts of the bookmark and database exchange formats: the ANSI code page, character references
// and UTF-8 of browser files, HTML escaping, quoting of delimited fields, line reading, and the
// cleaning of names that become categories or file names. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/stream.h"

// The ANSI code page of the program's texts. The default is Windows-1252; the Windows layer
// supplies the system's own code page.
class TAnsiCodec {
public:
    virtual ~TAnsiCodec() = default;
    // The Unicode code point of the ANSI character at text[0] (length >= 1 bytes available);
    // *used receives the number of bytes it takes (1, or 2 in a double-byte code page).
    virtual uint32_t ToUnicode(const char* text, size_t length, size_t* used) const;
    // Appends the ANSI bytes of the code point; false (nothing appended) when the code page has
    // no such character.
    virtual bool AppendAnsi(std::string* out, uint32_t codePoint) const;
};
const TAnsiCodec& DefaultAnsiCodec();

// How the bytes of a browser file are encoded.
enum TvTextEncoding { TV_TEXT_ANSI = 0, TV_TEXT_UTF8 = 1 };

// The text of a browser file as ANSI: UTF-8 sequences (with TV_TEXT_UTF8) and, with
// decodeReferences, the character references &amp; &lt; &gt; &quot; &apos; &nbsp;, the Latin-1
// names, &#NNN; and &#xHH; are decoded once. A character that the code page lacks becomes "?";
// an invalid UTF-8 byte is taken as an ANSI byte; an unknown reference stays as it is; NUL bytes
// are dropped.
std::string DecodeBrowserText(const char* text, size_t length, TvTextEncoding encoding, bool decodeReferences,
                              const TAnsiCodec& codec);

// The text for an HTML page or a bookmark file: & < > " as &amp; &lt; &gt; &quot;, every
// character outside printable ASCII (but tab, CR and LF) as a numeric reference of its Unicode
// code point, so the page reads the same in every browser whatever encoding it assumes.
void AppendHtmlEscaped(std::string* out, const char* text, const TAnsiCodec& codec);
std::string HtmlEscaped(const char* text, const TAnsiCodec& codec);

// One field of a delimited text record: quoted ("..." with inner quotes doubled) when it holds
// any character of the delimiter, a double quote, CR or LF; otherwise as it is.
void AppendDelimitedField(std::string* out, const char* text, const char* delimiter);

// A browser folder name as a category name: CR and LF dropped, characters below 32 and
// < > : " / \ | ? * removed, blanks and tabs trimmed, leading dots removed, cut to 260 characters.
// The result may still be refused as a category name (empty, a device name).
std::string CleanFolderName(const char* name);

// A bookmark title as a file name inside the Favorites folder: characters below 32 and
// < > : " / \ | ? * removed, blanks trimmed, leading and trailing dots removed, a device name
// gets "_" appended, cut to maxLength characters (at least 1). Empty when nothing usable is left.
std::string CleanFavoritesFileName(const char* title, size_t maxLength);

// The URL of an Internet shortcut file (value "URL" of the section "InternetShortcut", any order
// of sections and keys, names without regard to case, the first one counts, surrounding quotes
// removed). Empty when there is none.
std::string ReadInternetShortcutUrl(TByteStream* file);

// Reads a text file line by line. A line ends at CR LF, a lone LF, a lone CR or a NUL byte; the
// line end is consumed and not part of the line. Lines have no length limit.
class TTextLineReader {
public:
    explicit TTextLineReader(TByteStream* file) : file_(file) {}
    // The next line; false at the end of the file.
    bool ReadLine(std::string* line);

private:
    bool Fill();
    TByteStream* file_;
    std::string buffer_;
    size_t pos_ = 0;
    bool eof_ = false;
};

// Case-insensitive (ASCII) search; npos when absent.
size_t FindNoCase(const std::string& text, const char* pattern, size_t from = 0);
// Blanks and tabs removed at both ends.
std::string TrimBlanksAndTabs(const std::string& text);
