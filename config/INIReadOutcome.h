// How far reading a settings file got. A file that was not read to its end
// must not be replaced by what was read of it: the outcome says where
// reading stopped and why, so that the program can tell the user and leave
// the file alone.
#ifndef QUILLMERE_CONFIG_INIREADOUTCOME_H
#define QUILLMERE_CONFIG_INIREADOUTCOME_H

#include <cstddef>
#include <string>

struct INIReadOutcome {
  enum Status {
    Complete,    // every byte of the file was read by the grammar
    Missing,     // there is no such file
    Unreadable,  // the file exists but cannot be opened or read
    Stopped      // reading stopped before the end of the file
  };
  // Why reading stopped (Stopped only).
  enum Cause {
    NotInGrammar,       // text that is neither a section, an entry nor a ';' comment
    NullByte,           // the grammar reads a text up to its first NUL byte
    LoneCarriageReturn  // a carriage return without a line feed: a line end the grammar does not know
  };

  // At most this many bytes of the stopping line are shown.
  static constexpr std::size_t kShownLineBytes = 80;

  // The outcome for a text (as the loader reads it, line feeds only) in which
  // reading stopped at `position`, for `cause`.
  static INIReadOutcome StoppedAt(const std::string &text, std::size_t position, Cause cause);

  // "line N: "text"" with the cause when it is not the grammar's; bytes that
  // are not printable ASCII are written \xNN, so the text is plain ASCII.
  std::string Describe() const;

  Status status = Complete;
  Cause cause = NotInGrammar;
  // The 1-based line where reading stopped and its bytes, without the line
  // end (a lone carriage return ends it too).
  std::size_t line = 0;
  std::string lineText;
};

#endif
