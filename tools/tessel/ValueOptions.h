// ValueOptions.h - option values shared by the subcommands that work on
// typed values: the data type and the data-source type.
#pragma once

#include <string>

#include "contracts/basis30/Basis30Types.h"

// "--type": a number (0 numeric, 1 character, 2 date/time, any other
// untyped) or one of the names numeric, character, date, untyped (any
// case). False for anything else.
bool ParseDataTypeOption(const std::string& text, DATATYPE& type);

// "--dstype": a data-source type by number or by name ("FlatFile", "11",
// "None", ...). False for a text that names none.
bool ParseDSTypeOption(const std::string& text, DSTYPE& type);
