// Whole-file reads and writes of settings text. Files are shared with other
// programs, which may read or write them meanwhile (_SH_DENYNO).
#ifndef QUILLMERE_CONFIG_TEXTFILE_H
#define QUILLMERE_CONFIG_TEXTFILE_H

#include <string>

enum class TextFileRead {
  Read,     // the whole file was read
  Missing,  // there is no file of that name
  Failed    // the file cannot be opened, or a read failed
};

// Replaces `text` with every byte of the file, with a carriage return in
// front of a line feed dropped, so that a file with CR LF line ends reads the
// same on every platform. The file is read as bytes: the Windows runtime's
// text mode would end the text at a Ctrl+Z byte and hide the rest of the
// file. After a failure `text` holds what was read before it.
TextFileRead ReadTextFile(const std::string &path, std::string &text);

// Writes `text` completely to a temporary file beside `path` and then puts
// it in the place of `path` in one step. When `path` is a symbolic link, the
// file it leads to is replaced and the link is kept. When any of that fails,
// the temporary file is removed, `path` keeps its old content, and the
// result is false.
bool ReplaceTextFile(const std::string &path, const std::string &text);

#endif
