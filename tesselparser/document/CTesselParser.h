// CTesselParser.h - the library's entry class over a query document.
//
// The host constructs it on a query document (the document node or any
// element), then parses and reads the combined command text. The queries
// are the "Query" child elements of the root element, in document order;
// each query's kind comes from its "ExType" attribute (QUERYTYPE). The class
// keeps no query state: it reads the document each time, and every parse
// result is stored back into the query elements.
#pragma once

#include "TesselParserExport.h"
#include "platform/CString.h"
#include "platform/HResult.h"
#include "platform/IXMLDOMDocumentPtr.h"

// Kinds of query, matched case-sensitively against "ExType".
enum QUERYTYPE {
  QUERYTYPE_MAIN = 0,       // "Main"
  QUERYTYPE_SUBQUERY = 1,   // "Subquery"
  QUERYTYPE_UNION = 2,      // "Union"
  QUERYTYPE_INTERSECT = 3,  // "Intersect"
  QUERYTYPE_MINUS = 4,      // "Minus"
  QUERYTYPE_MERGE = 5,      // "Merge"
  QUERYTYPE_UNIONALL = 6,   // "Union All"
  QUERYTYPE_UNKNOWN = 99,   // anything else, or no query element
};

class TESSEL_API CTesselParser {
 public:
  // Attaches `node` when it is not null.
  CTesselParser(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  // Copies share the root element; nothing is deep-copied.
  CTesselParser(const CTesselParser& other) = default;
  CTesselParser& operator=(const CTesselParser& other) = default;
  virtual ~CTesselParser();

  // Sets the root element: a null node keeps the current root; a document
  // gives its document element; an element is taken as it is; any other
  // node (a text node, say) clears the root without an error.
  void Attach(IXMLDOMNodePtr node);

  // Number of "Query" children of the root; 0 without a root.
  long GetQueryCount();

  // Composes every query of the document in document order and stops at
  // the first failure, whose code it returns after recording the message
  // "Query '<name>' could not be composed: <reason>". Queries before the
  // failing one keep what they wrote; later ones are not parsed. Writes
  // "Sql", "Command" and "MultiSQL" on each query. Throws
  // `_com_error(E_POINTER)` without a root.
  long Parse();

  // The command text of the whole document: the first query's command,
  // then the commands of the set members (queries of kind Union,
  // Intersect, Minus, Merge, Union All) with a closing statement
  // "CREATE DATASET BY UMI [P] UNION [Q] ..." naming their datasets; when
  // every query after the first is a Union (or every one a Union All), the
  // members' SELECT parts are joined into the first statement with UNION
  // (UNION ALL) instead. Parses on demand. Trailing ';', CR and LF are
  // removed. Empty without a root, without queries, or when a union member
  // holds no " BY ".
  CString GetCommands();

  const IXMLDOMElementPtr& GetRoot() const noexcept { return m_pRoot; }
  // The "ExType" text of a known kind, or nullptr for QUERYTYPE_UNKNOWN.
  static const char* GetQueryTypeText(QUERYTYPE type);

 protected:
  // The "Command" text of query `index`, parsing the document first when it
  // is empty; "" past the last query. Throws without a root.
  CString GetCommand(int index);
  // The element of query `index` (0-based), or null past the last query.
  // Throws `_com_error(E_POINTER)` without a root.
  IXMLDOMElementPtr GetQuery(int index);
  // The kind of query `index`; 99 past the last query. Throws
  // `_com_error(E_POINTER)` without a root.
  QUERYTYPE GetQueryType(int index);

 private:
  IXMLDOMElementPtr m_pRoot;

 private:
  CString CommandOf(const IXMLDOMElementPtr& query);
  static QUERYTYPE QueryTypeOf(const IXMLDOMElementPtr& query);
  static CString RewriteUnion(const CString& commands, const char* joiner, bool& ok);
};

