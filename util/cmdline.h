// Command lines of external programs and browser commands: splitting into program and arguments,
// quoting, counting arguments and filling in the file-name placeholder. All outputs are bounded
// by the sizes given and always terminated.
#pragma once

#include <cstddef>

// Splits a command line into program and arguments:
//  - when the line holds two double quotes and the first quote comes before the first "." and
//    before the first blank after that ".", the program is the text between the first two quotes
//    and the arguments are everything after the closing quote;
//  - else, when a blank follows the first ".", the program is the text before that blank and the
//    arguments the text after it;
//  - else the whole line is the program and the arguments are empty.
// Either output may be null. Returns 1 when both parts fitted, 0 when one was truncated (or empty
// input).
int SplitCommandLine(const char* line, char* program, size_t programSize, char* arguments, size_t argumentsSize);

enum { TV_QUOTE_ADD = 0, TV_QUOTE_REMOVE = 1 };
// TV_QUOTE_ADD puts a double quote at the front and at the end where missing (an empty text stays
// empty); TV_QUOTE_REMOVE deletes every double quote. Returns 1 on success, 0 when the quotes do
// not fit into size bytes (the text is then unchanged).
int QuoteText(char* text, size_t size, int mode);

// The number of blanks outside double quotes plus one; -1 for an empty line.
int CountArguments(const char* line);

// Removes the first occurrence of each of "%s", "%1" ... "%5", then every pair of adjacent double
// quotes, so that a command template turns into a plain command.
void StripPlaceholders(char* line);

// Replaces the first "%s" (or, when there is none, the first "%1") by fileName. When the line has
// neither and appendIfNoPlaceholder is set, appends a blank and the file name, in double quotes
// when quote is set. Returns 1 when the file name went in, 0 when it did not (no placeholder and
// no append, or no room in size bytes; the line is then unchanged).
int InsertCommandArgument(char* line, size_t size, const char* fileName, int appendIfNoPlaceholder, int quote);
