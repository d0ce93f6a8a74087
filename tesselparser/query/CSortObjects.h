// CSortObjects.h - the "SortObjects" section of a query: its ORDER BY list.
//
// Each child element of the section is a query object (objects/CQueryObject)
// whose expression is one sort key; its "Order" attribute makes the key
// descending when it reads "DESC" in any letter case. Parse composes the
// list and keeps it on the section as "OrderBy", from which the query's
// composition takes its ORDER BY text.
#pragma once

#include "TesselParserExport.h"
#include "contracts/basis30/CVelObject.h"

class TESSEL_API CSortObjects : public CVelObject {
 public:
  CSortObjects(IXMLDOMNodePtr node = nullptr);  // NOLINT: wraps a node
  CSortObjects(const CSortObjects& other) = default;
  CSortObjects& operator=(const CSortObjects& other) = default;
  ~CSortObjects() override;

  // Composes the ORDER BY list from the child elements in document order:
  // each key's expression, with " DESC" after a descending key, joined with
  // "," (no blank). Stores it as the section's "OrderBy" attribute, or
  // removes "OrderBy" when there is no key, so a stale list never survives
  // an emptied section. Children that are not elements (comments) are not
  // keys. Returns 0, or the failure code of the first key whose parse fails;
  // "OrderBy" then keeps its previous value. Throws `_com_error(E_POINTER)`
  // on a section without an element.
  HRESULT Parse();

  // The stored "OrderBy" text; empty when absent.
  CString GetOrderBy() const { return GetAttribute("OrderBy"); }
};
