// NameSuggestion.cpp - edit distance with swaps of neighbours (optimal
// string alignment), case-insensitive.
#include "tools/tessel/NameSuggestion.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

size_t NameSuggestion::Distance(const std::string& a, const std::string& b) {
  const size_t n = a.size();
  const size_t m = b.size();
  std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1));
  for (size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (size_t i = 1; i <= n; ++i) {
    for (size_t j = 1; j <= m; ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[n][m];
}

std::string NameSuggestion::Nearest(const std::string& typed, const std::vector<std::string>& names) {
  const std::string wanted = Lower(typed);
  std::string best;
  size_t bestDistance = 0;
  for (const std::string& name : names) {
    const std::string candidate = Lower(name);
    size_t distance = Distance(wanted, candidate);
    // A shortened or lengthened name ("--js", "runn") counts as close.
    const bool prefix = !wanted.empty() && (candidate.rfind(wanted, 0) == 0 || wanted.rfind(candidate, 0) == 0);
    const size_t allowed = std::max<size_t>(1, std::max(wanted.size(), candidate.size()) / 3);
    if (distance > allowed && !prefix) continue;
    if (prefix) distance = std::min<size_t>(distance, 1);
    if (best.empty() || distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best;
}

std::string NameSuggestion::Hint(const std::string& typed, const std::vector<std::string>& names) {
  const std::string nearest = Nearest(typed, names);
  return nearest.empty() ? "" : " (did you mean '" + nearest + "'?)";
}
