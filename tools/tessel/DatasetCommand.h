// DatasetCommand.h - one statement of a document's command text, read as
// one of the dataset command forms that the command assembly writes:
//
//   CREATE DATASET [N] BY <select>                 dataset N from a query
//   CREATE DATASET [N] BY UMI [A] MERGE [B] ...    dataset N from datasets
//   CREATE DATASET BY UMI [P] UNION [Q] ...        an unnamed combination
//
// Between the members of a UMI list stand UNION, UNION ALL, INTERSET (the
// assembly's spelling of INTERSECT; INTERSECT is read too), MINUS and
// MERGE. Keywords are read in any letter case. The select text is not
// looked into: SQLite judges it.
#pragma once

#include <string>
#include <vector>

class DatasetCommand {
 public:
  enum class SetOperation { Union, UnionAll, Intersect, Except, Merge };

  struct Member {
    SetOperation operation = SetOperation::Union;  // joins it to the members before; unused for the first
    std::string dataset;
  };

  // Reads `statement`; false with the reason in `error` for a text that is
  // none of the forms.
  bool Parse(const std::string& statement, std::string& error);

  bool IsCombination() const { return !m_members.empty(); }
  // The dataset created; empty for an unnamed combination.
  const std::string& Target() const { return m_target; }
  // The query of a "BY <select>" command.
  const std::string& Select() const { return m_select; }
  // The datasets of a UMI list, in order.
  const std::vector<Member>& Members() const { return m_members; }
  // True when every member is joined with MERGE.
  bool IsMerge() const;

  // The SQL that joins a member to those before it, with blanks around:
  // " UNION ", " UNION ALL ", " INTERSECT ", " EXCEPT "; a merge keeps every
  // row of every member in order, so it is " UNION ALL " too.
  static const char* SqlKeyword(SetOperation operation);

 private:
  std::string m_target;
  std::string m_select;
  std::vector<Member> m_members;
};
