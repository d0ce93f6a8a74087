// DataSource.h - data-source types and the process-wide current type.
//
// A query document declares data sources as elements under "Datasources":
//   <Datasources><Datasource Name="Sales" DBType="SQLite" DBVersion="3"/></Datasources>
// "DBType" names a DSTYPE by its name (see DSTypeFromName) or its number.
// The current type is one unlocked value for the whole process.
#pragma once

#include "contracts/basis30/Basis30Types.h"
#include "platform/CString.h"
#include "platform/IXMLDOMElementPtr.h"

DSTYPE GetCurDSType();
void SetCurDSType(DSTYPE type);

// For a data-source element (one with a "DBType" attribute, or named
// "Datasource"), the type its "DBType" names. For any other element, the
// type of the data source its "Datasource" attribute names, looked up by
// "Name" among the children of the "Datasources" elements of its document.
// DSTYPE_NONE when nothing applies.
DSTYPE GetDSType(IXMLDOMElementPtr element);

// "SQLite" -> 12, "Oracle" -> 2, "12" -> 12, ... (names compared ignoring
// case); DSTYPE_NONE for an unknown text.
DSTYPE DSTypeFromName(const char* text);
const char* DSTypeName(DSTYPE type);
