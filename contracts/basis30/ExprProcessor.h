// ExprProcessor.h - the expression processor of the object-model library.
//
// Classifies expression texts (TestExprType). The classes, from the
// literal ones to those that refer to columns:
//   EXPR_EMPTY (0)       empty or blank text
//   EXPR_NUMBER (1)      a number: 12, -1.5, 1e3, .5; a sign in front of a
//                        number belongs to it ("- 5" too)
//   EXPR_STRING (2)      one quoted literal: 'abc', 'it''s', N'abc'
//   EXPR_DATE (3)        a date literal: {d '2011-01-01'}, {ts '...'},
//                        {t '...'}, DATE '...', TIMESTAMP '...',
//                        TO_DATE('...','...') (quoted arguments only)
//   EXPR_NULL (4)        NULL, in any letter case
//   EXPR_COLUMN (5)      a column or table reference: Amount, T.c, [T].[c],
//                        "T"."c", T.*, {D}.S.T.c, or any other bare name; also
//                        a CASE ... END, a reference such as {? 'P'} (its
//                        value is not known here) and a list without
//                        operators ("a, b", "(1, 2)")
//   EXPR_FUNCTION (6)    a call of one of the processor's own functions with
//                        a number of arguments it takes (see
//                        IsProcessorFunction), every argument a constant
//                        (a literal of class 1 to 4, or such a call):
//                        Today(), Now(), Year(Today()),
//                        DateAdd('d', -1, Today()), ...; evaluable without
//                        a database
//   EXPR_COLUMN_FUNCTION (7) any other call covering the whole text:
//                        SUM(Amount), UPPER(Name), Year(OrderDate), an
//                        unknown or qualified function (dbo.f(x)), a
//                        processor function with a wrong argument count or
//                        with an argument that is not a constant
//                        (DateAdd('d', 1 + 1, Today()))
//   EXPR_ARITHMETIC (8)  + - * / % or || at the top level (outside
//                        parentheses and quotes), and a sign in front of
//                        anything but a number (-Amount)
//   EXPR_LOGICAL (9)     a comparison (=, <>, !=, <, >, <=, >=, LIKE, IN,
//                        BETWEEN, IS, EXISTS) or AND / OR / NOT at the top
//                        level
// An operator at the top level decides the class even when the text around
// it is incomplete (">= 5" is 9, "+" is 8); logical wins over arithmetic. A
// list (parts split at top-level commas) takes the strongest operator class
// of its parts, else EXPR_COLUMN. A blank between a function name and its
// "(" is allowed. A trailing column alias ("x AS COL1") is ignored. A
// parenthesised whole takes the class of what it encloses, so "(x)" of a
// column stays EXPR_COLUMN. Text that is none of these (an unbalanced
// expression, two operands side by side, "@f()", "()") counts as
// EXPR_COLUMN so that it is never taken for a constant. Any text gets a
// class in linear time, however deeply it nests.
#pragma once

#include "contracts/basis30/Basis30Types.h"
#include "platform/CString.h"
#include "platform/HResult.h"

EXPRTYPE TestExprType(const char* text);

// True when `name` is one of the processor's own functions (compared
// ignoring case, no blanks around it). Their argument counts:
//   Today(), Now()                                   none
//   Year(d), Month(d), Day(d), Quarter(d)            one date
//   FirstDayOfMonth, LastDayOfMonth, FirstDayOfYear,
//   LastDayOfYear, FirstDayOfQuarter                 none (today) or one date
//   DateAdd(interval, count, date)                   three
//   Date(text) or Date(year, month, day)             one or three
bool IsProcessorFunction(const char* name);

// --- evaluation ------------------------------------------------------------
// The processor evaluates its own functions on constant arguments. Values
// are texts: numbers in plain decimal ("2011", "-1.5"; a number literal
// keeps its digits as written), dates as "YYYY-MM-DD" and dates with a time
// of day as "YYYY-MM-DD HH:MM:SS" (Now(), a {ts ...} literal, DateAdd by
// hours, minutes or seconds), texts without quotes.
//
// Arguments: a date argument takes a date value or a text the date reader
// of COleDateTime accepts ('2011-01-31'); a count or a year, month and day
// take whole numbers only (not '5', not 1.5); the interval of DateAdd is
// one of 'yyyy', 'q', 'm', 'y', 'd', 'w', 'ww', 'h', 'n', 's' (any case).
// Month steps keep the day where the month allows it and clamp it to the
// month's last day otherwise: DateAdd('m', 1, '2011-01-31') is 2011-02-28.
// Date(y, m, d) refuses an impossible date instead of rolling it over.
// A NULL argument gives NULL, written as the empty text. The calendar
// spans the years 100 to 9999; a result outside it is a bad argument.
// TO_DATE over quoted literals counts as a date literal (formats made of
// YYYY, MM, DD, HH24, MI, SS and punctuation).

// Evaluates `text`: a text of class EXPR_FUNCTION or a host-variable
// reference (TestVariant). S_OK with the value in `out`; S_FALSE (out
// emptied, no message) for a text it does not evaluate; a negative code,
// with a message recorded, for a call it knows but cannot evaluate
// (B30E_BAD_ARGUMENTS, naming the innermost call at fault) or an unset
// variable (B30E_UNKNOWN_VARIABLE, naming the reference).
HRESULT ProcessExpr(const char* text, CString& out);

// VARIANT_HOST for a reference to a host variable: "$" followed by a plain
// name (letters, digits, "_" or multi-byte characters, not starting with a
// digit) and nothing else but surrounding blanks ("$UserName");
// VARIANT_NONE otherwise. Whether the variable is set does not matter.
VARIANTTYPE TestVariant(const char* text);

// Host variables that ProcessExpr and TestVariant resolve; names compare
// ignoring case and may be given with or without their "$". A null value
// unsets the variable; a name that no reference could spell is ignored.
// Process-wide, unlocked (the host sets them before parsing).
void SetHostVariable(const char* name, const char* value);
void ClearHostVariables();

// The clock behind Today() and Now(): the system clock in local time, or a
// fixed time (for tests and reproducible runs) while `fixed` is not null.
// A `fixed` that is not a valid date restores the system clock. The clock
// is read once per evaluated text, so Today() and Now() in one text agree.
void SetProcessorClock(const class COleDateTime* fixed);

// Evaluates a call of the processor's functions, nested calls and literal
// arguments included, to a value and its DATATYPE (0 number, 1 text, 2
// date): S_OK. A literal alone (number, quoted text, date literal) is
// evaluated the same way. S_FALSE with data type 99 (DATATYPE_OBJECT) and
// the text unchanged, exactly as given, for a call left for a later stage:
// the cross-column functions CrossColumn, ParentChild, If, any function
// whose name contains "_X" (any case), any function it does not know
// (also a qualified one, dbo.f(x)), and a call of its own that has such a
// call among its arguments; likewise for a text that is no call at all
// (a column, a computation, NULL). A negative code (message recorded, value
// empty, type 99) for a known function called with arguments it cannot
// take, including a column argument (Year(Amount)), and for a text with an
// unclosed quote or parenthesis (B30E_BAD_ARGUMENTS).
//
// A computed reference "{$ '...'}" (blanks allowed around the quoted part)
// is evaluated from what it encloses, written as it is (apostrophes not
// doubled), which may be only:
//   a host variable   {$ '$UserName'}              its value, type 1
//   a number          {$ '42'}, {$ '-1.5'}         type 0
//   a quoted text     {$ ''North''}                type 1
//   a processor call  {$ 'DateAdd('m', 1, Today())'}
// A computed reference is never left for later (handed back unchanged it
// would stay in the SQL): an unknown or later-stage function in it fails
// with B30E_UNKNOWN_FUNCTION, an unset variable with B30E_UNKNOWN_VARIABLE,
// anything else with B30E_BAD_ARGUMENTS.
HRESULT CalculateExpr(const char* text, CString& value, DATATYPE* dataType);
