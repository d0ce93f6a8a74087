// CommandText.h - the lexical work on a document's command text before it
// is executed: cutting it into statements and removing data-source
// qualifiers. Both skip quoted literals ('...', "...", [...], `...`) and
// comments, so that a value such as 'a;\r\n\r\nb' or '{D}.x' stays as typed.
#pragma once

#include <string>
#include <vector>

class CommandText {
 public:
  // The statements of `text`, in order. The command assembly ends each
  // statement with ";" and separates statements with a blank line
  // ("\r\n\r\n"; "\n\n" is accepted as well), so a ";" followed by white
  // space holding a blank line, or by white space up to the end, ends a
  // statement. Any other ";" stays in its statement (where SQLite will
  // refuse a second statement). Statements are trimmed; empty ones are
  // dropped.
  static std::vector<std::string> SplitStatements(const std::string& text);

  // `statement` without its data-source qualifiers "{D}.": with a single
  // database every data source maps to it, so the qualifier is dropped.
  // A brace text that is not followed by "." is left alone.
  static std::string StripDataSourceQualifiers(const std::string& statement);

  // `sql` with every bracketed name outside literals and comments
  // ([Order Lines]) written as a quoted identifier ("Order Lines"), for an
  // engine that reads no brackets; "]]" inside the brackets is one "]" of
  // the name. An unclosed bracket is left as it is.
  static std::string QuoteBracketedNames(const std::string& sql);

  // `name` as an SQL identifier in double quotes, inner quotes doubled.
  static std::string QuotedIdentifier(const std::string& name);

 private:
  // When a quoted literal or comment starts at `pos`, the position just
  // after it (the end of the text when it is not closed); else `pos`.
  static size_t SkipQuoted(const std::string& text, size_t pos);
  // The position after the "]" that closes the bracketed name opening at
  // `pos`, where "]]" stands for one "]" of the name; npos when the name is
  // not closed.
  static size_t BracketEnd(const std::string& text, size_t pos);
  // The end of the data-source qualifier "{name}." at `pos`, or `pos`.
  static size_t QualifierEnd(const std::string& text, size_t pos);
  // True when the white space from `pos` holds a blank line or reaches the
  // end of the text.
  static bool EndsStatement(const std::string& text, size_t pos);
};
