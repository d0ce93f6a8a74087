// DataSourceTest.cpp - data-source types, their look-up by name, the
// current type, date literals and the message table.
#include <gtest/gtest.h>

#include "contracts/basis30/DataSource.h"
#include "contracts/basis30/Messages.h"
#include "contracts/basis30/ResultCodes.h"
#include "contracts/basis30/VelDate.h"
#include "contracts/basis30/XmlUtil.h"
#include "support/XmlFixture.h"

namespace {

class DataSourceTest : public XmlFixture {
 protected:
  void SetUp() override {
    Load(R"(<Root>
      <Datasources>
        <Datasource Name="Sales" DBType="SQLite"/>
        <Datasource Name="Legacy" DBType="2" DBVersion="8"/>
        <Datasource Name="Odd" DBType="Nonsense"/>
      </Datasources>
      <Query Name="Q" Datasource="Sales"><QueryObjects><Field Name="f" Datasource="Legacy"/></QueryObjects>
        <TableRelations><Datasources><Datasource Name="Local" DBType="Dataset"/></Datasources>
          <Tables><Table Name="T" Datasource="Local"/></Tables></TableRelations></Query>
      <Query Name="Unknown" Datasource="Nowhere"/>
    </Root>)");
  }
  void TearDown() override { SetCurDSType(DSTYPE_NONE); }
};

TEST_F(DataSourceTest, TypeOfAnElementComesFromItsNamedDataSource) {
  EXPECT_EQ(GetDSType(Select("Query[1]")), DSTYPE_SQLITE);
  EXPECT_EQ(GetDSType(Select("Query[1]/QueryObjects/Field")), DSTYPE_ORACLE);
  EXPECT_EQ(GetDSType(Select("Query[1]/TableRelations/Tables/Table")), DSTYPE_DATASET);
  EXPECT_EQ(GetDSType(Select("Query[2]")), DSTYPE_NONE);
  EXPECT_EQ(GetDSType(Select("Datasources/Datasource[3]")), DSTYPE_NONE);
  EXPECT_EQ(GetDSType(Select("Datasources/Datasource[2]")), DSTYPE_ORACLE);
  EXPECT_EQ(GetDSType(nullptr), DSTYPE_NONE);
}

TEST_F(DataSourceTest, DeclarationsAreFoundWhereverTheyStandAndFollowEdits) {
  // Declared after the queries, and a nearer declaration of the same name
  // inside a query wins over the document's.
  Load(R"(<Root><Query Name="A" Datasource="S"/>
      <Query Name="B" Datasource="S"><Datasources><Datasource Name="S" DBType="Oracle"/></Datasources></Query>
      <Datasources><Datasource Name="S" DBType="MySQL"/></Datasources></Root>)");
  EXPECT_EQ(GetDSType(Select("Query[1]")), DSTYPE_MYSQL);
  EXPECT_EQ(GetDSType(Select("Query[2]")), DSTYPE_ORACLE);
  // A declaration added later is seen; one removed is gone.
  IXMLDOMElementPtr datasources = m_doc.createElement("Datasources");
  IXMLDOMElementPtr declaration = m_doc.createElement("Datasource");
  declaration.setAttribute("Name", "S");
  declaration.setAttribute("DBType", "SQLite");
  datasources.appendChild(declaration);
  Select("Query[1]").appendChild(datasources);
  EXPECT_EQ(GetDSType(Select("Query[1]")), DSTYPE_SQLITE);
  Root().removeChild(Select("Datasources"));
  Select("Query[1]").removeChild(datasources);
  // The last resort is any declaration of the document: the other query's.
  EXPECT_EQ(GetDSType(Select("Query[1]")), DSTYPE_ORACLE);
  // A query taken out of the tree still finds its own declaration, and the
  // document no longer does.
  IXMLDOMElementPtr detached(Root().removeChild(Select("Query[2]")));
  EXPECT_EQ(GetDSType(detached), DSTYPE_ORACLE);
  EXPECT_EQ(GetDSType(Select("Query[1]")), DSTYPE_NONE);
}

TEST_F(DataSourceTest, TypeNamesAndNumbers) {
  EXPECT_EQ(DSTypeFromName("sqlite"), DSTYPE_SQLITE);
  EXPECT_EQ(DSTypeFromName(" 11 "), DSTYPE_FLATFILE);
  EXPECT_EQ(DSTypeFromName("99"), DSTYPE_NONE);
  EXPECT_EQ(DSTypeFromName(""), DSTYPE_NONE);
  // Names are whole words in any letter case, blanks around them ignored.
  EXPECT_EQ(DSTypeFromName("\tSQLSERVER\r\n"), DSTYPE_SQLSERVER);
  EXPECT_EQ(DSTypeFromName("SQLServe"), DSTYPE_NONE);
  EXPECT_EQ(DSTypeFromName("SQLiteX"), DSTYPE_NONE);
  EXPECT_EQ(DSTypeFromName("SQL ite"), DSTYPE_NONE);
  EXPECT_EQ(DSTypeFromName(" \t "), DSTYPE_NONE);
  EXPECT_EQ(DSTypeFromName(nullptr), DSTYPE_NONE);
  // Numbers name types by their code; one past the last, or too large to
  // read, names none.
  EXPECT_EQ(DSTypeFromName("12"), DSTYPE_SQLITE);
  EXPECT_EQ(DSTypeFromName("13"), DSTYPE_NONE);
  EXPECT_EQ(DSTypeFromName("99999999999999999999999"), DSTYPE_NONE);
  EXPECT_STREQ(DSTypeName(DSTYPE_ORACLE), "Oracle");
}

struct DateCase {
  DSTYPE type;
  const char* text;
  const char* literal;
};

TEST_F(DataSourceTest, DateLiteralsFollowTheCurrentDataSource) {
  const DateCase cases[] = {
      {DSTYPE_NONE, "2011-1-31", "{d '2011-01-31'}"},
      {DSTYPE_NONE, "2011-01-31 10:30", "{ts '2011-01-31 10:30:00'}"},
      {DSTYPE_SQLSERVER, "12/31/2011", "{d '2011-12-31'}"},
      {DSTYPE_SQLITE, "2012-2-29", "'2012-02-29'"},
      {DSTYPE_SQLITE, "2012-2-29 23:59:59", "'2012-02-29 23:59:59'"},
      {DSTYPE_ORACLE, "2011-01-31", "TO_DATE('2011-01-31','YYYY-MM-DD')"},
      {DSTYPE_ORACLE, "2011-01-31 08:00:01", "TO_DATE('2011-01-31 08:00:01','YYYY-MM-DD HH24:MI:SS')"},
      {DSTYPE_SQLITE, "2011-02-30", "NULL"},
      // Four-digit years, so that the date reader takes the literal back.
      {DSTYPE_NONE, "0999-1-1", "{d '0999-01-01'}"},
      {DSTYPE_NONE, "0100-12-31 01:02:03", "{ts '0100-12-31 01:02:03'}"},
      {DSTYPE_SQLITE, "0999-01-01", "'0999-01-01'"},
      {DSTYPE_ORACLE, "0999-01-01", "TO_DATE('0999-01-01','YYYY-MM-DD')"},
      {DSTYPE_POSTGRESQL, "2011-10-1", "DATE '2011-10-01'"},
      {DSTYPE_POSTGRESQL, "2011-10-01 12:00", "TIMESTAMP '2011-10-01 12:00:00'"},
      {DSTYPE_POSTGRESQL, "2012-2-29 23:59:59", "TIMESTAMP '2012-02-29 23:59:59'"},
      {DSTYPE_POSTGRESQL, "0999-12-31", "DATE '0999-12-31'"},
      {DSTYPE_POSTGRESQL, "2011-02-29", "NULL"},
      // Other types keep the text they had.
      {DSTYPE_MYSQL, "2011-10-01", "{d '2011-10-01'}"},
      {DSTYPE_DATASET, "2011-10-01 12:00", "{ts '2011-10-01 12:00:00'}"},
  };
  for (const auto& c : cases) {
    SetCurDSType(c.type);
    EXPECT_EQ(FormatVelDate(c.text), c.literal) << c.text;
  }
}

TEST_F(DataSourceTest, XmlHelpers) {
  CString value;
  EXPECT_EQ(GetXmlNodeAttribute(Select("Query[1]"), "Name", value), S_OK);
  EXPECT_EQ(value, "Q");
  EXPECT_EQ(GetXmlNodeAttribute(Select("Query[1]"), "Alias", value), S_FALSE);
  EXPECT_EQ(GetXmlNodeAttribute(nullptr, "Name", value), E_POINTER);
  EXPECT_EQ(FindAncestor(Select("Query[1]/QueryObjects/Field"), "Query"), Select("Query[1]"));
  EXPECT_FALSE(FindAncestor(Select("Query[1]"), "Dataset"));
}

TEST(MessagesTest, EveryLibraryCodeHasItsOwnText) {
  const HRESULT codes[] = {TPE_NO_ELEMENT,          TPE_QUERY_FAILED,         TPE_NO_QUERY_OBJECTS,
                           TPE_NO_RELATIONS,        TPE_START_TABLE,          TPE_TABLES_DISCONNECTED,
                           TPE_RELATION_CYCLE,      TPE_NOT_A_NUMBER,         TPE_NOT_A_DATE,
                           TPE_RANGE_OPERATOR,      TPE_MULTI_VALUE_OPERATOR, TPE_OBJECT_FAILED,
                           TPE_AGGREGATE_TWICE,     TPE_CONDITION_FAILED,     TPE_ALL_CONDITIONAL,
                           TPE_REFERENCE_CYCLE,     TPE_UNKNOWN_LATER_CALL,   TPE_ANALYSER_DISCONNECTED,
                           TPE_PARAM_VALUE_FAILED,  TPE_AT_VALUE_UNPROCESSED, TPE_PARAM_NOT_PROCESSED,
                           TPE_PARAM_FAILED,        TPE_PARAM_SELF_REFERENCE, B30E_NO_COLUMNS,
                           TRLE_REFERENCE_UNRESOLVED};
  for (HRESULT code : codes) EXPECT_EQ(GetMsg(code).Find("Unknown error"), -1) << std::hex << code;
  EXPECT_EQ(GetMsg(MakeHResult(0xE0001234u)), "Unknown error 0xE0001234");
}

TEST(MessagesTest, TemplatesTakeArgumentsAsPlainText) {
  // A name holding printf conversions must come out as written.
  EXPECT_EQ(FormatMsg(TPE_QUERY_FAILED, "Q%s%n", "boom"), "Query 'Q%s%n' could not be composed: boom");
  EXPECT_EQ(FormatMsg(TPE_OBJECT_FAILED, nullptr), "Query object '' could not be composed");
  SetErrorInfo("m", nullptr);
  EXPECT_EQ(GetLastErrorInfo().message, "m");
  EXPECT_EQ(GetLastErrorInfo().detail, "");
  ClearErrorInfo();
  EXPECT_FALSE(GetLastErrorInfo().set);
}

}  // namespace
