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
// are texts: numbers in plain decimal ("2011", "-1.5"), dates as
// "YYYY-MM-DD" and dates with a time of day as "YYYY-MM-DD HH:MM:SS",
// texts without quotes.

// Evaluates `text`: a text of class EXPR_FUNCTION or a host-variable
// reference (TestVariant). S_OK with the value in `out`; S_FALSE (out
// emptied) for a text it does not evaluate; a negative code, with a message
// recorded, for a call it knows but cannot evaluate (B30E_BAD_ARGUMENTS) or
// an unset variable (B30E_UNKNOWN_VARIABLE).
HRESULT ProcessExpr(const char* text, CString& out);

// VARIANT_HOST for a reference to a host variable: "$" followed by a plain
// name and nothing else ("$UserName"); VARIANT_NONE otherwise.
VARIANTTYPE TestVariant(const char* text);

// Host variables that ProcessExpr and TestVariant resolve; names compare
// ignoring case. Process-wide, unlocked (the host sets them before parsing).
void SetHostVariable(const char* name, const char* value);
void ClearHostVariables();

// The clock behind Today() and Now(): the system clock, or a fixed time
// (for tests and reproducible runs) while `fixed` is not null.
void SetProcessorClock(const class COleDateTime* fixed);

// Evaluates a call of the processor's functions, nested calls and literal
// arguments included, to a value and its DATATYPE: S_OK. S_FALSE with data
// type 99 (DATATYPE_OBJECT) and the text unchanged for a call left for a
// later stage: the cross-column functions CrossColumn, ParentChild, If,
// any function whose name contains "_X", and any function it does not
// know. A negative code (message recorded) for a known function called
// with arguments it cannot take. A computed reference "{$ '...'}" is
// evaluated from what it encloses (see the implementation's comment for
// what that may hold).
HRESULT CalculateExpr(const char* text, CString& value, DATATYPE* dataType);
