// Basis30Types.h - the enumerations of the object-model and SQL library.
//
// DATATYPE classifies a column's values; DSTYPE names the kind of database a
// data source is (it changes the SQL that is generated); EXPRTYPE classifies
// an expression text; VARIANTTYPE classifies a host-variable reference.
#pragma once

enum DATATYPE {
  DATATYPE_NUMERIC = 0,
  DATATYPE_CHARACTER = 1,
  DATATYPE_DATETIME = 2,
  DATATYPE_OBJECT = 99,  // untyped
};

// Data-source types. The value is what matters to the generated SQL:
//   2  Oracle family: TO_DATE date literals, "(+)" outer joins below version 9;
//   6  Dataset engine: typed column aliases, no nested join parentheses,
//      True/False for booleans;
//   11 Flat-file driver: no IN lists (an OR chain instead);
//   12 SQLite: 'YYYY-MM-DD' date literals.
enum DSTYPE {
  DSTYPE_NONE = 0,
  DSTYPE_SQLSERVER = 1,
  DSTYPE_ORACLE = 2,
  DSTYPE_DB2 = 3,
  DSTYPE_MYSQL = 4,
  DSTYPE_POSTGRESQL = 5,
  DSTYPE_DATASET = 6,
  DSTYPE_ACCESS = 7,
  DSTYPE_INFORMIX = 8,
  DSTYPE_SYBASE = 9,
  DSTYPE_TERADATA = 10,
  DSTYPE_FLATFILE = 11,
  DSTYPE_SQLITE = 12,
};

// Classes of an expression text (see ExprProcessor.h for the classifier).
enum EXPRTYPE {
  EXPR_EMPTY = 0,
  EXPR_NUMBER = 1,
  EXPR_STRING = 2,
  EXPR_DATE = 3,
  EXPR_NULL = 4,
  EXPR_COLUMN = 5,
  EXPR_FUNCTION = 6,  // a call of the processor's own functions: evaluable
  EXPR_COLUMN_FUNCTION = 7,
  EXPR_ARITHMETIC = 8,
  EXPR_LOGICAL = 9,
};

// Classes of a host-variable reference (0: not a variable).
enum VARIANTTYPE {
  VARIANT_NONE = 0,
  VARIANT_HOST = 1,
};
