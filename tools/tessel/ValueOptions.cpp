// ValueOptions.cpp - reading the data-type and data-source-type options.
#include "tools/tessel/ValueOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "contracts/basis30/DataSource.h"
#include "platform/CString.h"

bool ParseDataTypeOption(const std::string& text, DATATYPE& type) {
  static const struct {
    const char* name;
    DATATYPE type;
  } kNames[] = {
      {"numeric", DATATYPE_NUMERIC},
      {"character", DATATYPE_CHARACTER},
      {"date", DATATYPE_DATETIME},
      {"untyped", DATATYPE_OBJECT},
  };
  for (const auto& entry : kNames) {
    if (CString(text.c_str()).CompareNoCase(entry.name) == 0) {
      type = entry.type;
      return true;
    }
  }
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const long number = std::strtol(text.c_str(), nullptr, 10);
  if (errno != 0 || number > INT_MAX) return false;
  type = static_cast<DATATYPE>(number);
  return true;
}

bool ParseDSTypeOption(const std::string& text, DSTYPE& type) {
  type = DSTypeFromName(text.c_str());
  if (type != DSTYPE_NONE) return true;
  // DSTYPE_NONE is also what an unknown name gives: accept it only when
  // asked for by its own number or name.
  CString bare(text.c_str());
  bare.Trim();
  return bare == "0" || bare.CompareNoCase(DSTypeName(DSTYPE_NONE)) == 0;
}
