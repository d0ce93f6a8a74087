// CQueryObject.h - one query object: a selected item of a query.
//
// Wraps a query-object element (its tag is its type: "Field", "Table",
// "Text", "Column", "Parameter", "LayoutItem", "Query", "Dataset", or a
// composite such as "DataObject" or "QueryObject") and answers what a
// query needs of a column: its SQL expression, its WHERE condition, the
// tables and data source it draws on, and its aggregation. Parse produces
// the expression and condition, caches them in the object and writes them
// back to the element ("Expression", "WhereClause"); the accessors parse on
// demand. The column lists of a whole query are built from many of these.
#pragma once

#include <cstdint>

#include "TesselParserExport.h"
#include "contracts/trellis/CBaseObject.h"

// Aggregation of a column, with the "Aggregation" attribute text of each.
enum AGGTYPE {
  AGG_NONE = 0,   // anything else, including empty
  AGG_SUM = 1,    // "Sum"
  AGG_MAX = 2,    // "Max"
  AGG_MIN = 3,    // "Min"
  AGG_COUNT = 4,  // "Count"
  AGG_AVG = 5,    // "Avg"
  AGG_OTHER = 6,  // "Other": aggregated, but no function is applied
};

class TESSEL_API CQueryObject : public CBaseObject {
 public:
  CQueryObject(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  // Copies share the source node and take over the cached results.
  CQueryObject(const CQueryObject& other) = default;
  CQueryObject& operator=(const CQueryObject& other) = default;
  ~CQueryObject() override;

  // Binds another element and forgets every cached result.
  HRESULT Attach(IXMLDOMNodePtr node) override;
  // The SQL expression, parsing when not yet parsed; "" when parsing fails
  // (the next call tries again). An object with a condition gives
  // "<expression> WHERE <condition>".
  CString GetExpression() override;
  // The object's own condition, parsing when not yet parsed; "" when none
  // or when parsing fails.
  CString GetWhereClause();
  // The aggregation determined by the last Parse, or, before any Parse, the
  // "Aggregation" attribute read afresh on each call.
  AGGTYPE GetAggregationType();
  // Writes the "Aggregation" attribute ("Sum", ..., "" for AGG_NONE and
  // unknown values); the cached value changes only with the next Parse.
  void SetAggregationType(AGGTYPE type);
  // True when `expr` (blanks ignored, any case) calls SUM, MAX, MIN, AVG,
  // AVERAGE or COUNT, the first such name found standing outside a quoted
  // literal. Calls inside a parenthesised sub-select do not count: they
  // aggregate the sub-query's rows, not the rows of the statement around it.
  static bool IsAggregationExpr(const char* expr);
  // Trims blanks around `expr` and removes one pair of parentheses that
  // encloses the whole of it, unless that pair encloses a sub-select
  // ("(SELECT ...)"), which stands as a column only inside them.
  static void TrimColumnShell(CString& expr);
  // The position of the " WHERE " (any case) that starts an object's own
  // condition in its expression: the first one outside quoted literals,
  // names and parentheses, so that neither a literal such as 'a WHERE b'
  // nor a sub-select's own WHERE is taken for it. -1 when there is none.
  static int FindOwnCondition(const char* expr);
  // The tables the object draws on, as a comma list without repeats.
  CString GetTable();
  // The data source the object draws on ("Datasource" attribute; for a
  // composite that has been resolved, the first one among its members).
  CString GetDatasource();

  // Builds the expression, condition and aggregation and writes them back
  // to the element. Returns 0 or a failure code:
  //   TPE_NO_ELEMENT        the object has no element;
  //   TPE_OBJECT_FAILED     an unresolved reference while ExistGRS is on
  //                         (message recorded);
  //   TPE_AGGREGATE_TWICE   an aggregate expression on an object that asks
  //                         for an aggregation as well;
  //   TPE_REFERENCE_CYCLE   the object reaches itself again through
  //                         references or members, or nests too deep;
  //   a loader's code       a "Column" whose dataset cannot be loaded.
  // A failed Parse leaves the element's "Expression" and "WhereClause"
  // cleared and the cache unparsed.
  HRESULT Parse();

  // A stand-alone SELECT for this object, composed with the object's data
  // source as the current data-source type: "SELECT * FROM <table>" for a
  // "Table", else its expression (with its own condition, which becomes the
  // WHERE clause) over its tables, DISTINCT when "Distinct" is "True".
  // Empty when the object does not parse.
  CString ComposeSql();

 protected:
  // Forgets the cached results so that the next accessor parses again.
  void Init();

  // A new object starts as Init leaves it.
  std::int32_t m_nAggregation = -1;
  CString m_strExpression{std::string_view("NULL")};
  CString m_strWhereClause{std::string_view("NULL")};
  IXMLDOMNodePtr m_pSourceNode;

 private:
  // Parse without recording its success.
  HRESULT ParseObject();

  // The last Parse succeeded and nothing was forgotten since: "NULL" in the
  // cache then means "none" (an object without a condition), and the
  // accessors do not parse the object again for it.
  bool m_bParsed = false;
  void ResolveSourceNode();
  HRESULT ResolveReference(const CString& savedExpression, const CString& savedWhere, bool& fellBack);
  // Removes the element's "Expression" and "WhereClause" attributes.
  void ClearTexts();
  // Writes the two texts as the last attributes of the element.
  void WriteTexts(const CString& expression, const CString& where);
  // The object's expression (aggregation and condition included) from its
  // source element, guarded against objects that reach themselves.
  HRESULT ComposeExpression(CString& expr);
  // The bare expression of an object of element type `type`.
  HRESULT BuildExpression(std::string_view type, CString& expr);
  void QualifyBySchema(CString& expr) const;
  HRESULT ApplyAggregation(CString& expr);
  HRESULT BuildComposite(const IXMLDOMNodePtr& select, CString& expr);
  void ApplyGrouping(CString& expr, bool listCheck);
  CString ObjectParameterTables();
  CString MemberTables();
  CString TermTables(const IXMLDOMNodePtr& info);
};
