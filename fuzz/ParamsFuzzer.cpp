// ParamsFuzzer.cpp - parameter substitution (EvaluateExprParam) on a fixed
// parameter document, with a fuzzed text and fuzzed parameter values.
//
// Input: field 0 is the text; fields 1 to 6 are the values of the
// parameters N (numeric), C (character), D (date), NX, CX and DX (the same
// types with "DisableParseValue").
//
// Properties: the result is 0 or a code of the handler; a message recorded
// for a failure has no unfilled template; on success, outside the literals
// of the result there is no word that neither the text (with the results of
// its computed references in place) nor the value language brought (a
// value brings words only as the raw forms the language allows: a whole
// "^..." value, one whole call), no more statement ends or
// comments than the text had, and no literal left open when the text had
// none open. A mark the text wrote may come back as often as a condition
// names the operand it stands in (once per item or bound of the value); a
// mark the text does not have may not appear at all. Texts with an
// apostrophe inside a bracketed name are not checked: the literal reading
// here knows only quotes. Nor are the words of a text whose parameter
// reference stands against a word: the value joins it, as meant.
#include <string>

#include "contracts/basis30/ExprProcessor.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "fuzz/FuzzSupport.h"
#include "params/CParamHandler.h"
#include "platform/IXMLDOMDocumentPtr.h"

namespace {

const char* const kNames[] = {"N", "C", "D", "NX", "CX", "DX"};

const char* kDocument =
    "<Root Datasource='S'><Datasources><Datasource Name='S' DBType='SQLite'/></Datasources><Parameters>"
    "<Parameter Name='N' DataType='5'/><Parameter Name='C' DataType='200'/><Parameter Name='D' DataType='7'/>"
    "<Parameter Name='NX' DataType='5' DisableParseValue='True'/>"
    "<Parameter Name='CX' DataType='200' DisableParseValue='True'/>"
    "<Parameter Name='DX' DataType='7' DisableParseValue='True'/>"
    "</Parameters></Root>";

std::string Trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.erase(0, 1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

// A value that the value language lets through as written, in part or in
// whole: the raw marker, a call (whole, or as a list item or range bound),
// an expression or host variable the processor evaluates.
bool MayBringRawText(const std::string& value) {
  const std::string v = Trimmed(value);
  if (v.empty()) return false;
  if (v[0] == '^' || v[0] == '@' || v[0] == '$') return true;
  if (TestExprType(v.c_str()) == EXPR_FUNCTION || TestVariant(v.c_str()) != VARIANT_NONE) return true;
  return v.find('(') != std::string::npos;
}

// True when every reference opening of the text ("{?" or "{$") starts a
// reference of the plain form {? 'Name'} whose name holds no apostrophe.
// Only then does the balance of the text's own apostrophes say whether the
// text leaves a literal open.
bool PlainReferences(const std::string& text) {
  for (size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at + 1)) {
    if (at + 1 >= text.size() || (text[at + 1] != '?' && text[at + 1] != '$')) continue;
    if (text.compare(at + 2, 2, " '") != 0) return false;
    const size_t close = text.find("'}", at + 4);
    if (close == std::string::npos || text.find('\'', at + 4) != close) return false;
  }
  return true;
}

// True when an apostrophe stands inside a bracketed name of the text
// ("[O'Brien]"). A bracket quotes a name, so such an apostrophe opens no
// literal; the literal reading below knows only quotes, and would pair it
// with the next one.
bool QuoteInsideBrackets(const std::string& text) {
  for (size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
    const size_t close = text.find(']', open);
    if (close == std::string::npos) return text.find('\'', open) != std::string::npos;
    if (text.find('\'', open) < close) return true;
  }
  return false;
}

// True when a parameter reference stands right against a word of the text
// ("T{? 'Year'}" naming table T2011): the value then joins that word into
// a new one, as the text's author meant it to. Such texts are not checked
// for foreign words; their statement ends and comments still are.
bool ReferenceJoinsAWord(const std::string& text) {
  for (size_t at = text.find("{? '"); at != std::string::npos; at = text.find("{? '", at + 1)) {
    if (at > 0 && fuzz::IsWordByte(static_cast<unsigned char>(text[at - 1]))) return true;
    const size_t close = text.find("'}", at + 4);
    if (close != std::string::npos && close + 2 < text.size() &&
        fuzz::IsWordByte(static_cast<unsigned char>(text[close + 2]))) {
      return true;
    }
  }
  return false;
}

// The text with every computed reference {$ 'expr'} replaced by its
// expression: a result stands where its reference stood and may join the
// text around it into one word ("a{$ '1'}" gives "a1"), a word the text
// brought, not a value. Only the plain form (see PlainReferences) is read.
std::string ComputedInline(const std::string& text) {
  std::string out;
  size_t from = 0;
  for (size_t at = text.find("{$ '"); at != std::string::npos; at = text.find("{$ '", from)) {
    const size_t close = text.find("'}", at + 4);
    if (close == std::string::npos) break;
    out.append(text, from, at - from).append(text, at + 4, close - at - 4);
    from = close + 2;
  }
  return out.append(text, from, std::string::npos);
}

// How often a condition may name the operand the text wrote before a
// reference: once per item or bound of the value ("1~5, 8" gives three).
// A mark inside that operand is the text's, however often it stands.
size_t OperandRepeats(const std::string& values) {
  size_t repeats = 1;
  for (const char c : values) repeats += c == ',' || c == '~' ? 1 : 0;
  return repeats;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::Fields fields(data, size);
  static IXMLDOMDocumentPtr document = [] {
    IXMLDOMDocumentPtr doc;
    if (!doc.loadXML(kDocument)) fuzz::Fail("the parameter document loads", kDocument);
    return doc;
  }();
  CParamHandler handler(document.documentElement());
  bool raw = false;
  std::string values;
  for (size_t i = 0; i < std::size(kNames); ++i) {
    const std::string value = fields.Get(i + 1);
    handler.SetParamValue(kNames[i], CVelVariant(value.c_str()), true);
    raw = raw || MayBringRawText(value);
    values += value + "\n";
  }
  const std::string text = fields.Get(0);
  CString out(text.c_str());
  ClearErrorInfo();
  const HRESULT hr = handler.EvaluateExprParam(out);
  CParamHandler::m_strLastUsedParams.Empty();
  if (hr < 0) {
    fuzz::CheckMessage(text + "\n" + values);
    return 0;
  }
  if (raw) return 0;

  const std::string sql = out.GetString();
  bool open = false;
  bool textOpen = false;
  const std::string outside = fuzz::OutsideLiterals(sql, open);
  const std::string textOutside = fuzz::OutsideLiterals(text, textOpen);
  const std::string detail = "text\n" + text + "\nvalues\n" + values + "=> " + sql;
  if (!PlainReferences(text) || textOpen || QuoteInsideBrackets(text)) return 0;
  fuzz::Check(!open, "no literal is left open that the text did not leave open", detail);
  std::set<std::string> textWords = fuzz::Words(text);
  const std::set<std::string> inlined = fuzz::Words(ComputedInline(text));
  textWords.insert(inlined.begin(), inlined.end());
  const std::string foreign = ReferenceJoinsAWord(text) ? "" : fuzz::ForeignWord(outside, textWords, values);
  fuzz::Check(foreign.empty(), "no word outside literals comes from a value", "word " + foreign + "\n" + detail);
  const size_t repeats = OperandRepeats(values);
  for (const char* mark : {";", "--", "/*", "{?", "{$"}) {
    fuzz::Check(fuzz::Count(outside, mark) <= fuzz::Count(text, mark) * repeats,
                "no statement end, comment or reference outside literals comes from a value", detail);
  }
  return 0;
}
