// TextUtil.h - the text helpers of the object-model library.
//
// Byte-string helpers over SQL and expression texts. Positions are byte
// indices; a failed search returns a negative value. "Quotes" are the SQL
// apostrophe ('...', with '' as an escaped apostrophe inside) and the
// double quote; "brackets" are (...), [...] and {...}. A [...] name is
// opaque like a quote (an apostrophe inside [O'Brien] opens nothing, "]]"
// is an escaped "]"). A null text counts as the empty text. Every helper
// runs in time linear in its text and without recursion.
#pragma once

#include <string_view>

#include "platform/CString.h"

// Field `index` (0-based) of `text` split at every `sep`; empty past the end
// and for a negative index. Fields are not trimmed.
CString GetField(const char* text, int index, char sep);

// Like GetField, but a `sep` inside quotes or brackets does not split.
// GetFieldEx("a ~ 'x~y'", 1, '~') gives " 'x~y'"; GetFieldEx("f(a,b),c", 1, ',') gives "c".
// An unclosed quote or bracket runs to the end of the text (no split
// after it); a stray closing bracket is ignored.
CString GetFieldEx(const char* text, int index, char sep);

// The index of the first field of `list` (split at `sep`) equal to `field`
// (exact comparison); -1 when none. An empty list has no fields; an empty
// `field` matches an empty entry such as the middle of "a,,b".
int FindField(const char* list, const char* field, char sep);

// Position of `sub` in `text` at or after `start`, ignoring ASCII case; -1
// when absent. A negative `start` counts as 0; an empty `sub` is found at
// `start` (when `start` is within the text).
int FindStringNoCase(const char* text, const char* sub, int start = 0);

// The number of `ch` in the first `length` bytes of `text` (the whole text
// when `length` is negative or longer than the text).
int FindCharCount(const char* text, char ch, int length = -1);

// Removes one enclosing pair `shell` (two characters, such as "()") when the
// first character opens at position 0 and its matching partner is the last
// character (so "(a) + (b)" is left alone). Partners are found by depth
// counting; shell characters inside quotes or [...] names do not count.
// White space around the text is trimmed first (whether or not a pair is
// removed) and again inside each removed pair. With `bRepeat`, removes
// pairs while there are any ("((a))" gives "a"). A quote or bracket shell
// ("''", "[]", or any pair of equal characters) encloses literal text: it is
// removed at most once, and only when the delimiter at 0 is closed by the
// last character (doubled delimiters inside are escapes). Returns true when
// a pair was removed; false, text only trimmed, for a `shell` that is not
// two characters.
bool TrimShell(CString& text, const char* shell, bool bRepeat);

// True for a character that cannot be part of a name: anything but an ASCII
// letter, digit, '_' or a byte of a multi-byte character.
bool IsNoname(char ch);

// True when `name` can stand in SQL without brackets: a letter, '_' or a
// multi-byte character first, then letters, digits, '_' or multi-byte
// characters, and not a reserved word (SELECT, FROM, ORDER, GROUP, TABLE,
// ...; compared ignoring case). Function names such as LEFT, RIGHT, SUM,
// COUNT or YEAR are not reserved. False for an empty name.
bool IsTradNaming(const char* name);

// `name` enclosed in [ ] with every "]" inside written twice, so that no
// character of the name can end the brackets early: "a]b" gives "[a]]b]".
// Readers of [...] names take "]]" back as one "]". The empty name gives
// "[]".
CString BracketName(std::string_view name);

// `name` as SQL takes it: as it stands when IsTradNaming holds, else
// BracketName(name). "Sales" stays, "My Table" gives "[My Table]".
CString SqlName(const CString& name);
CString SqlName(std::string_view name);
inline CString SqlName(const char* name) { return SqlName(std::string_view(name ? name : "")); }

// True for a non-empty text of ASCII digits only.
bool IsAllNumber(const char* text);

// A number: optional sign, digits with an optional decimal point, optional
// exponent. 0 for an integer, 1 for a decimal or exponent form, -1 for
// anything else (empty text, white space, "1e", "." and "1,000" included).
// At least one digit is needed before or after the point (".5" and "5."
// are decimals).
int TestNumeric(const char* text);

// True when `text` is a complete sub-expression: every parenthesis and
// brace closes in order (a closer without its opener, ")" or "]", fails),
// and every quote and [...] name is closed. The empty text is complete.
bool IsSubExpr(const char* text);

// True when text ending in `last` followed by text starting with `first`
// would read as the opening of a comment: "-" and "-3" as "--3", "/" and
// "*" as "/*".
bool OpensCommentAcross(char last, char first);

// True when `last` and `first` are both name characters: joined, the two
// texts would fuse into one word.
bool FusesAcross(char last, char first);

// Appends `piece` to `text`, with a blank between the two when they would
// open a comment across the join (OpensCommentAcross): a value set against
// an operator must never turn the rest of the statement into a comment.
// Otherwise the two are joined as they are.
void AppendApart(CString& text, std::string_view piece);

// The operand that ends at position `end` (inclusive) of `text`, blanks
// before `end` skipped: a quoted literal (with an SQL prefix written
// right against it: N'x', X'0A', B'1', E'x', _utf8'x'), a bracketed or
// qualified name
// ([T].[c], {D}.S.T.c), a parenthesised group together with the function
// name before it, or a number (1.5, .5, 2e-3). Qualified parts are joined
// over dots, a group takes the name written right before its "(", and
// leading "@" marks of a host call or variable are included. An `end` past
// the text counts as its last character. Returns its start position and the
// operand text (without the skipped blanks) in `operand`; -1 (operand
// emptied) when there is none: `end` negative, at an operator character,
// at a closer without its opener, or inside an unclosed literal.
int GetPreviousSubExpr(const char* text, int end, CString& operand);

// Finds the first sub-text that opens with `open` and closes with `close`,
// starting at `start`; `found` receives it with both delimiters. The close
// is the first `close` after the opening; when another `open` lies between
// them, the later (nearer) one is taken, so "{a} + {D}.T" with "{" and "}."
// gives "{D}.". A sub-text that opens before `start` is stepped over whole.
// With `bOutsideQuotes`, an `open` that lies inside a quoted literal or a
// [...] name of the text is skipped (quote state is followed from position
// 0, the opening text itself being tested before its characters count as
// quotes). Returns the position of `open`, or -1 (found emptied), also for
// an empty `open` or `close`.
int FindSubObjExpr(const char* text, const char* open, const char* close, CString& found, int start,
                   bool bOutsideQuotes);

// The quoted literal ('...' or "...", the delimiter doubled inside as an
// escape) or bracketed name ([...], "]]" inside) that opens at `start`:
// returns the index just past its closing delimiter, or -1 when the text
// ends first. The scanners of the object-model library share it.
int SkipLiteral(std::string_view text, int start);

// Position of `sub` (ASCII case ignored) in `text` at or after `start`, where
// it begins outside quoted literals and [...] names and, with `bTopLevel`,
// outside every (...) and {...} group as well; -1 when absent or for an empty
// `sub`. Literal state is followed from position 0, so a `start` inside a
// literal finds nothing before the literal ends. A literal left open hides
// the rest of the text.
int FindTextOutsideLiterals(const char* text, const char* sub, int start, bool bTopLevel);

// The index just past the group ((...) or {...}) that opens at `start`:
// literals and names inside are skipped and nested groups counted. -1 when
// `start` does not open a group or the text ends before it closes.
int SkipGroup(std::string_view text, int start);
