// ResultCodes.h - the result codes that the message table knows.
//
// The library's own codes (0xE000xxxx) and the stand-ins' codes. Every code
// here has a text in the message table (Messages.h); codes whose text is a
// template say which arguments it takes.
#pragma once

#include "platform/HResult.h"

// --- the library's codes -----------------------------------------------------
constexpr HRESULT TPE_NO_ELEMENT = MakeHResult(0xE0000000u);            // query object without an element
constexpr HRESULT TPE_QUERY_FAILED = MakeHResult(0xE00032CCu);          // template: query name, detail
constexpr HRESULT TPE_NO_QUERY_OBJECTS = MakeHResult(0xE00032CDu);      // query without query objects
constexpr HRESULT TPE_NO_RELATIONS = MakeHResult(0xE00032D0u);          // no "Relations" or it is empty
constexpr HRESULT TPE_START_TABLE = MakeHResult(0xE00032D1u);           // start table not among the tables
constexpr HRESULT TPE_TABLES_DISCONNECTED = MakeHResult(0xE00032D2u);   // some tables are not joined
constexpr HRESULT TPE_RELATION_CYCLE = MakeHResult(0xE00032D3u);        // no relation, or a cycle
constexpr HRESULT TPE_NOT_A_NUMBER = MakeHResult(0xE00032D4u);
constexpr HRESULT TPE_NOT_A_DATE = MakeHResult(0xE00032D5u);
constexpr HRESULT TPE_RANGE_OPERATOR = MakeHResult(0xE00032D6u);
constexpr HRESULT TPE_MULTI_VALUE_OPERATOR = MakeHResult(0xE00032D7u);
constexpr HRESULT TPE_OBJECT_FAILED = MakeHResult(0xE00032DAu);         // template: object name
constexpr HRESULT TPE_AGGREGATE_TWICE = MakeHResult(0xE00032DBu);
constexpr HRESULT TPE_CONDITION_FAILED = MakeHResult(0xE00032DCu);
constexpr HRESULT TPE_ALL_CONDITIONAL = MakeHResult(0xE00032DEu);
constexpr HRESULT TPE_REFERENCE_CYCLE = MakeHResult(0xE00032E0u);       // template: object name
constexpr HRESULT TPE_UNKNOWN_LATER_CALL = MakeHResult(0xE0003E9Fu);    // template: call text
constexpr HRESULT TPE_ANALYSER_DISCONNECTED = MakeHResult(0xE0004E27u);
constexpr HRESULT TPE_PARAM_VALUE_FAILED = MakeHResult(0xE00051D4u);    // template: parameter name
constexpr HRESULT TPE_AT_VALUE_UNPROCESSED = MakeHResult(0xE00051D6u);  // template: value text
constexpr HRESULT TPE_PARAM_NOT_PROCESSED = MakeHResult(0xE00051D8u);
constexpr HRESULT TPE_PARAM_FAILED = MakeHResult(0xE00052A4u);          // template: parameter name
constexpr HRESULT TPE_PARAM_SELF_REFERENCE = MakeHResult(0xE00052A5u);  // template: parameter name

// --- the stand-ins' own codes ---------------------------------------------------
constexpr HRESULT B30E_NO_COLUMNS = MakeHResult(0xE0010001u);           // a statement without columns
constexpr HRESULT B30E_EMPTY_STATEMENT = MakeHResult(0xE0010002u);      // a dataset command without SQL
constexpr HRESULT B30E_XML_MALFORMED = MakeHResult(0xE0010003u);
constexpr HRESULT B30E_BAD_ARGUMENTS = MakeHResult(0xE0010004u);        // template: call text
constexpr HRESULT B30E_UNKNOWN_FUNCTION = MakeHResult(0xE0010005u);     // template: function name
constexpr HRESULT B30E_UNKNOWN_VARIABLE = MakeHResult(0xE0010006u);     // template: variable name
constexpr HRESULT TRLE_REFERENCE_UNRESOLVED = MakeHResult(0xE0020001u);
constexpr HRESULT TRLE_NO_REPOSITORY = MakeHResult(0xE0020002u);
constexpr HRESULT TRLE_PATH_NOT_FOUND = MakeHResult(0xE0020003u);
