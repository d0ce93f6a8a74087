// CExprParser.cpp - construction and attachment of the expression parser.
#include "expr/CExprParser.h"

CExprParser::CExprParser(IXMLDOMNodePtr node) {
  if (node) Attach(node);
}

CExprParser::~CExprParser() = default;

void CExprParser::Attach(IXMLDOMNodePtr node) { m_pElement = IXMLDOMElementPtr(node); }
