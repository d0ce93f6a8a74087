// TesselParserExport.h - the export macro of the shared library.
//
// The library is built with hidden visibility; only classes and data marked
// TESSEL_API are exported from libtesselparser.
#pragma once

#define TESSEL_API __attribute__((visibility("default")))
