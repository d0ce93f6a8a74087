// Messages.cpp - the message table and the last-error record.
#include "contracts/basis30/Messages.h"

#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "contracts/basis30/ResultCodes.h"

namespace {

const std::unordered_map<HRESULT, const char*>& Table() {
  static const std::unordered_map<HRESULT, const char*> table = {
      {S_OK, "The operation completed successfully"},
      {E_NOTIMPL, "The operation is not implemented"},
      {E_POINTER, "A required document node is missing"},
      {E_FAIL, "The operation failed"},
      {E_INVALIDARG, "An argument is not valid"},
      {E_OUTOFMEMORY, "Out of memory"},
      {E_UNEXPECTED, "Unexpected failure"},
      {TPE_NO_ELEMENT, "The query object has no element"},
      {TPE_QUERY_FAILED, "Query '%s' could not be composed: %s"},
      {TPE_NO_QUERY_OBJECTS, "The query has no query objects"},
      {TPE_NO_RELATIONS, "The query's table relations hold no relation"},
      {TPE_START_TABLE, "The table that should open the FROM clause is not one of the query's tables"},
      {TPE_TABLES_DISCONNECTED, "Some tables of the query are not joined to the others"},
      {TPE_RELATION_CYCLE, "The query's table relations form a cycle, or no relation joins its tables"},
      {TPE_NOT_A_NUMBER, "A numeric value is not a number"},
      {TPE_NOT_A_DATE, "A date value cannot be read as a date"},
      {TPE_RANGE_OPERATOR, "A range of values can only be compared with =, <> or BETWEEN"},
      {TPE_MULTI_VALUE_OPERATOR, "Several values can only be compared with =, <> or IN"},
      {TPE_OBJECT_FAILED, "Query object '%s' could not be composed"},
      {TPE_AGGREGATE_TWICE, "The expression is an aggregate already and the object asks for an aggregation as well"},
      {TPE_CONDITION_FAILED, "The condition of a query object could not be composed"},
      {TPE_ALL_CONDITIONAL, "Every query object has a condition of its own; at least one must have none"},
      {TPE_REFERENCE_CYCLE, "Object '%s' reaches itself again through references, members or sub-queries, or nests too deeply"},
      {TPE_UNKNOWN_LATER_CALL, "The function call '%s' is not known"},
      {TPE_ANALYSER_DISCONNECTED, "Some tables are not connected to the start table"},
      {TPE_PARAM_VALUE_FAILED, "The value of parameter '%s' could not be evaluated"},
      {TPE_AT_VALUE_UNPROCESSED, "The value '%s' could not be evaluated"},
      {TPE_PARAM_NOT_PROCESSED, "The expression processor left the value unevaluated"},
      {TPE_PARAM_FAILED, "Parameter '%s' could not be substituted"},
      {TPE_PARAM_SELF_REFERENCE, "Parameter '%s' refers to itself through its value"},
      {B30E_NO_COLUMNS, "The statement has no columns"},
      {B30E_EMPTY_STATEMENT, "The dataset command has no SQL statement"},
      {B30E_XML_MALFORMED, "The text is not well-formed XML"},
      {B30E_BAD_ARGUMENTS, "The call '%s' has arguments the function does not take"},
      {B30E_UNKNOWN_FUNCTION, "The function '%s' is not known"},
      {B30E_UNKNOWN_VARIABLE, "The variable '%s' is not set"},
      {TRLE_REFERENCE_UNRESOLVED, "The referenced object cannot be found"},
      {TRLE_NO_REPOSITORY, "No repository is open"},
      {TRLE_PATH_NOT_FOUND, "The repository holds no object at that path"},
  };
  return table;
}

ErrorInfo& LastError() {
  static ErrorInfo info;
  return info;
}

// True when `text` is, as it stands, one of the table's templates with a
// "%s" slot: a message text passed on without its arguments.
bool IsTemplate(const char* text) {
  if (text == nullptr || std::strstr(text, "%s") == nullptr) return false;
  for (const auto& [code, format] : Table()) {
    if (std::strcmp(format, text) == 0) return true;
  }
  return false;
}

// True when `message` is `format` with every "%s" slot filled.
bool Instantiates(const CString& message, const CString& format) {
  std::vector<CString> parts;
  for (int start = 0;;) {
    const int slot = format.Find("%s", start);
    parts.push_back(format.Mid(start, slot < 0 ? format.GetLength() - start : slot - start));
    if (slot < 0) break;
    start = slot + 2;
  }
  if (parts.size() < 2 || message.Left(parts.front().GetLength()) != parts.front()) return false;
  int pos = parts.front().GetLength();
  for (size_t k = 1; k + 1 < parts.size(); ++k) {
    pos = message.Find(parts[k], pos);
    if (pos < 0) return false;
    pos += parts[k].GetLength();
  }
  const CString& last = parts.back();
  return message.GetLength() - last.GetLength() >= pos && message.Right(last.GetLength()) == last;
}

// `format` read without its arguments: each "%s" slot goes, with the quotes
// around it, and the text closes up ("Query object '%s' could not be
// composed" reads "Query object could not be composed").
CString WithoutSlots(const CString& format) {
  CString out;
  for (int i = 0; i < format.GetLength();) {
    if (format[i] == '%' && i + 1 < format.GetLength() && format[i + 1] == 's') {
      const bool quoted = !out.IsEmpty() && out[out.GetLength() - 1] == '\'' && i + 2 < format.GetLength() &&
                          format[i + 2] == '\'';
      if (quoted) out.Delete(out.GetLength() - 1);
      i += quoted ? 3 : 2;
      continue;
    }
    out += format[i++];
  }
  while (out.Find("  ") >= 0) out.Replace("  ", " ");
  out.Replace(" :", ":");
  out.Trim();
  out.TrimRight(": ");
  return out;
}

// What a message shows for `text` when `text` may be a bare template: the
// last recorded message when that is this template filled in (the failing
// call recorded it, naming what failed), else the template without its
// slots. Any other text is shown as it is.
CString Resolved(const char* text) {
  if (!IsTemplate(text)) return text;
  const ErrorInfo& last = LastError();
  if (last.set && Instantiates(last.message, text)) return last.message;
  return WithoutSlots(text);
}

}  // namespace

CString GetMsg(HRESULT code) {
  const auto& table = Table();
  auto it = table.find(code);
  if (it != table.end()) return it->second;
  CString text;
  text.Format("Unknown error 0x%08X", static_cast<unsigned>(code));
  return text;
}

void SetErrorInfo(const char* message, const char* detail) {
  // Resolve both before either is stored: each may refer to the message
  // recorded until now.
  CString resolvedMessage = Resolved(message);
  CString resolvedDetail = detail ? Resolved(detail) : CString();
  ErrorInfo& info = LastError();
  info.message = std::move(resolvedMessage);
  info.detail = std::move(resolvedDetail);
  info.set = true;
}

ErrorInfo GetLastErrorInfo() { return LastError(); }

void ClearErrorInfo() { LastError() = ErrorInfo(); }

CString GetMsgText(HRESULT code) { return Resolved(GetMsg(code)); }

CString FormatMsg(HRESULT code, const char* arg1, const char* arg2) {
  const CString format = GetMsg(code);
  // Fill the %s slots in order by hand: the template is data, not a literal.
  CString out;
  // An argument that is a message text given without its own arguments
  // (GetMsg of a failure code) is shown as recorded, never as a template.
  const CString resolved[2] = {Resolved(arg1 ? arg1 : ""), Resolved(arg2 ? arg2 : "")};
  const char* args[2] = {resolved[0], resolved[1]};
  int used = 0;
  for (int i = 0; i < format.GetLength(); ++i) {
    if (format[i] == '%' && i + 1 < format.GetLength()) {
      if (format[i + 1] == 's') {
        out += used < 2 ? args[used] : "";
        ++used;
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}
