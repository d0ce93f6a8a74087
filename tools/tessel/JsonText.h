// JsonText.h - the pieces of JSON output the tool writes: strings and
// numbers.
#pragma once

#include <string>

class JsonText {
 public:
  // `text` as a JSON string with its quotes: '"' and '\' escaped, control
  // characters as \n, \r, \t or \u00XX, and every byte that is not part of
  // a well-formed UTF-8 sequence written as \ufffd, so the output is always
  // valid UTF-8 JSON whatever a document or a database holds.
  static std::string Quote(const std::string& text);

  // True when `text` is a number in JSON's grammar (SQLite prints "Inf"
  // and "-Inf" for infinities, which are not).
  static bool IsNumber(const std::string& text);

 private:
  // The length of the well-formed UTF-8 sequence at `pos`, or 0.
  static size_t SequenceLength(const std::string& text, size_t pos);
};
