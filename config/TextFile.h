// Whole-file reads and writes of settings text. Files are opened in text
// mode and shared with other programs, which may read or write them
// meanwhile (_SH_DENYNO).
#ifndef QUILLMERE_CONFIG_TEXTFILE_H
#define QUILLMERE_CONFIG_TEXTFILE_H

#include <string>

// Replaces `text` with the file's content, with a carriage return in front of
// a line feed dropped, so that a file with CR LF line ends reads the same on
// every platform. False when the file cannot be opened or a read fails;
// `text` then holds what was read before the failure.
bool ReadTextFile(const std::string& path, std::string& text);

// Writes `text` completely to a temporary file beside `path` and then puts
// it in the place of `path` in one step. When any of that fails, the
// temporary file is removed, `path` keeps its old content, and the result is
// false.
bool ReplaceTextFile(const std::string& path, const std::string& text);

#endif
