#include "config/INIReadOutcome.h"

#include <algorithm>
#include <cstdio>

INIReadOutcome INIReadOutcome::StoppedAt(const std::string &text, std::size_t position, Cause cause) {
  INIReadOutcome outcome;
  outcome.status = Stopped;
  outcome.cause = cause;
  position = std::min(position, text.size());
  outcome.line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + position, '\n'));
  std::size_t begin = 0;
  if (position > 0) {
    const std::size_t lineFeed = text.rfind('\n', position - 1);
    if (lineFeed != std::string::npos) begin = lineFeed + 1;
  }
  const std::size_t end = cause == LoneCarriageReturn ? position : std::min(text.find('\n', position), text.size());
  outcome.lineText = text.substr(begin, end - begin);
  return outcome;
}

std::string INIReadOutcome::Describe() const {
  std::string shown;
  const std::size_t count = std::min(lineText.size(), kShownLineBytes);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(lineText[i]);
    if (c >= 0x20 && c < 0x7F) {
      shown += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      shown += escaped;
    }
  }
  if (count < lineText.size()) shown += "...";

  std::string text = "line " + std::to_string(line);
  if (cause == NullByte) text += " (a NUL byte)";
  if (cause == LoneCarriageReturn) text += " (a carriage return without a line feed)";
  return text + ": \"" + shown + '"';
}
