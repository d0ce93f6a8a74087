// ChildPath.h - the XPath expressions made of child steps only, evaluated by
// walking the tree (internal to platform).
//
// Nearly every selection the library makes is one of these: "Tables",
// "Select/ExprBuildInfo/*", "Relation[@ConnectMode='0']", "Query[3]",
// "*[@WhereClause!='NULL']". Walking the children finds them without
// building XPath node sets, and selecting the first match stops at it.
// The results are those of XPath 1.0: a name matches elements without a
// namespace, "*" any element; "[@a='v']" keeps the elements whose
// attribute a (no namespace) has the value v, "[@a!='v']" those that have
// the attribute with another value, "[n]" the n-th match of each parent;
// several steps give their matches in document order. Anything else
// (other axes, functions, unions) is left to libxml2's XPath.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <vector>

class ChildPath {
 public:
  // Parses `xpath`; false when it is not a plain child path.
  bool Parse(const char* xpath);

  // Appends the matches below `context` to `out`, in document order.
  void Select(xmlNodePtr context, std::vector<xmlNodePtr>& out) const;
  // The first match below `context`, or null.
  xmlNodePtr SelectFirst(xmlNodePtr context) const;
  // True for a path of one step without a position ("Tables",
  // "Condition[@ExType='WhereClause']"): its first match below a node is
  // the first child for which MatchesChild is true.
  bool IsOneStep() const { return m_steps.size() == 1 && m_steps.front().test != Test::POSITION; }
  // For a path of one step: true when `child` is one of its matches.
  bool MatchesChild(xmlNodePtr child) const { return Matches(m_steps.front(), child); }

 private:
  enum class Test { NONE, EQUAL, NOT_EQUAL, POSITION };
  struct Step {
    std::string name;  // "*" for any element
    bool any = false;  // "*"
    Test test = Test::NONE;
    std::string attribute;
    std::string value;
    long position = 0;
  };

  bool Matches(const Step& step, xmlNodePtr node) const;
  // Walks step `index` below `node`, collecting the matches into `all`, or,
  // when `first` is given, storing the first one there and returning true
  // (the walk then stops).
  bool Walk(xmlNodePtr node, std::size_t index, std::vector<xmlNodePtr>* all, xmlNodePtr* first) const;

  std::vector<Step> m_steps;
};
