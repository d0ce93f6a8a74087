// TextUtil.h - the text helpers of the object-model library.
//
// Byte-string helpers over SQL and expression texts. Positions are byte
// indices; a failed search returns a negative value. "Quotes" are the SQL
// apostrophe ('...', with '' as an escaped apostrophe inside) and the
// double quote; "brackets" are (...), [...] and {...}.
#pragma once

#include "platform/CString.h"

// Field `index` (0-based) of `text` split at every `sep`; empty past the end.
CString GetField(const char* text, int index, char sep);

// Like GetField, but a `sep` inside quotes or brackets does not split.
// GetFieldEx("a ~ 'x~y'", 1, '~') gives " 'x~y'"; GetFieldEx("f(a,b),c", 1, ',') gives "c".
CString GetFieldEx(const char* text, int index, char sep);

// The index of the first field of `list` (split at `sep`) equal to `field`
// (exact comparison); -1 when none.
int FindField(const char* list, const char* field, char sep);

// Position of `sub` in `text` at or after `start`, ignoring ASCII case; -1
// when absent.
int FindStringNoCase(const char* text, const char* sub, int start = 0);

// The number of `ch` in the first `length` bytes of `text` (the whole text
// when `length` is negative).
int FindCharCount(const char* text, char ch, int length = -1);

// Removes one enclosing pair `shell` (two characters, such as "()") when the
// first character opens at position 0 and its matching partner is the last
// character (so "(a) + (b)" is left alone). Blanks around the text are
// trimmed first. With `bRepeat`, removes pairs while there are any. Returns
// true when a pair was removed.
bool TrimShell(CString& text, const char* shell, bool bRepeat);

// True for a character that cannot be part of a name: anything but an ASCII
// letter, digit, '_' or a byte of a multi-byte character.
bool IsNoname(char ch);

// True when `name` can stand in SQL without brackets: a letter, '_' or a
// multi-byte character first, then letters, digits, '_' or multi-byte
// characters, and not a reserved word (SELECT, FROM, ORDER, GROUP, TABLE,
// ...). Function names such as LEFT, RIGHT or SUM are not reserved.
bool IsTradNaming(const char* name);

// True for a non-empty text of ASCII digits only.
bool IsAllNumber(const char* text);

// A number: optional sign, digits with an optional decimal point, optional
// exponent. 0 for an integer, 1 for a decimal or exponent form, -1 for
// anything else (empty text included).
int TestNumeric(const char* text);

// True when `text` is a complete sub-expression: every parenthesis closes
// in order and every quote is closed.
bool IsSubExpr(const char* text);

// The operand that ends at position `end` (inclusive) of `text`, blanks
// before `end` skipped: a quoted literal, a bracketed or qualified name
// ([T].[c], {D}.S.T.c), a parenthesised group together with the function
// name before it, or a number. Returns its start position and the operand
// text in `operand`; -1 when there is none.
int GetPreviousSubExpr(const char* text, int end, CString& operand);

// Finds the first sub-text that opens with `open` and closes with `close`,
// starting at `start`; `found` receives it with both delimiters. With
// `bOutsideQuotes`, an `open` that lies inside a quoted literal of the text
// is skipped. Returns the position of `open`, or -1 (found emptied).
int FindSubObjExpr(const char* text, const char* open, const char* close, CString& found, int start,
                   bool bOutsideQuotes);
