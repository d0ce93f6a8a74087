// NameSuggestion.h - the nearest of a set of names to a mistyped one, for
// the "did you mean" hints of the command line.
#pragma once

#include <string>
#include <vector>

class NameSuggestion {
 public:
  // The name of `names` closest to `typed` by edit distance (insertions,
  // deletions, substitutions and swaps of neighbours, ignoring letter
  // case), or the one that `typed` begins or that begins with `typed`;
  // empty when none is close enough to be a likely typo (more than a third
  // of the longer text would have to change). Ties go to the first name.
  static std::string Nearest(const std::string& typed, const std::vector<std::string>& names);

  // " (did you mean 'NAME'?)" for the nearest name, or "".
  static std::string Hint(const std::string& typed, const std::vector<std::string>& names);

 private:
  static size_t Distance(const std::string& a, const std::string& b);
};
