// RelationsAnalyserTest.cpp - join order, start table, outcomes and cycles
// of the relations analyser.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "contracts/basis30/CRelationsAnalyser.h"
#include "contracts/basis30/ResultCodes.h"
#include "support/XmlFixture.h"

namespace {

// The relations of an analyser text, each as "Pk.PkColumn>Fk.FkColumn:mode
// sign", joined with "; ".
std::string Summary(const CString& xml) {
  IXMLDOMDocumentPtr doc = LoadXml(xml.GetString());
  std::string out;
  for (IXMLDOMNodePtr n = doc.documentElement().firstChild(); n; n = n.nextSibling()) {
    IXMLDOMElementPtr r(n);
    if (!out.empty()) out += "; ";
    out += (r.getAttribute("PkTable") + "." + r.getAttribute("PkColumn") + ">" + r.getAttribute("FkTable") + "." +
            r.getAttribute("FkColumn") + ":" + r.getAttribute("ConnectMode") + r.getAttribute("ConnectSign"))
               .str();
  }
  return out;
}

std::string Joined(const CStringArray& tables) {
  std::string out;
  for (const CString& t : tables) out += (out.empty() ? "" : ",") + t.str();
  return out;
}

class RelationsAnalyserTest : public XmlFixture {
 protected:
  // Runs the analyser on a copy of `tables`, kept in m_tables with the
  // bridging tables it gains.
  // The join order read directly (GetJoinOrder) must say what the text
  // says, with the same result and the same bridging tables; so must the
  // join order on a model read beforehand, step for step.
  HRESULT Run(const CStringArray& tables, const char* start) {
    CRelationsAnalyser analyser;
    analyser.SetRelationsNode(Select("Relations"));
    m_tables = tables;
    const HRESULT result = analyser.GetRelations(m_tables, m_text, start);
    CStringArray direct = tables;
    std::vector<CRelationsAnalyser::JoinStep> steps;
    EXPECT_EQ(analyser.GetJoinOrder(direct, steps, start), result);
    EXPECT_EQ(Joined(direct), Joined(m_tables));
    EXPECT_EQ(StepSummary(steps), m_text.IsEmpty() ? std::string() : Summary(m_text));

    const CRelationModel model(Select("Relations"));
    CStringArray viaModel = tables;
    std::vector<CRelationsAnalyser::ModelStep> modelSteps{{7, true}};
    EXPECT_EQ(CRelationsAnalyser::GetJoinOrder(model, viaModel, modelSteps, start), result);
    EXPECT_EQ(Joined(viaModel), Joined(m_tables));
    EXPECT_EQ(modelSteps.size(), steps.size());
    for (std::size_t i = 0; i < std::min(modelSteps.size(), steps.size()); ++i) {
      EXPECT_EQ(model.Relations()[modelSteps[i].relation].element, steps[i].relation) << i;
      EXPECT_EQ(modelSteps[i].swapped, steps[i].swapped) << i;
    }
    return result;
  }
  static std::string StepSummary(const std::vector<CRelationsAnalyser::JoinStep>& steps) {
    std::string out;
    for (const auto& step : steps) {
      const auto a = [&step](const char* name) { return CRelationsAnalyser::StepAttribute(step, name); };
      if (!out.empty()) out += "; ";
      out += (a("PkTable") + "." + a("PkColumn") + ">" + a("FkTable") + "." + a("FkColumn") + ":" +
              a("ConnectMode") + a("ConnectSign"))
                 .str();
    }
    return out;
  }
  CString m_text;
  CStringArray m_tables;
};

TEST_F(RelationsAnalyserTest, BreadthFirstInDocumentOrderLeavingOutLoops) {
  // The ring A-B-C-D-A: from A, A's relations come first in document
  // order, then B's; the relation that would close the ring is left out.
  Load(R"(<TableRelations><Relations>
    <Relation PkTable="B" PkColumn="b" FkTable="C" FkColumn="c" ConnectMode="2" ConnectSign="="/>
    <Relation PkTable="A" PkColumn="a" FkTable="B" FkColumn="b" ConnectMode="0" ConnectSign="="/>
    <Relation PkTable="A" PkColumn="a" FkTable="D" FkColumn="d" ConnectMode="2" ConnectSign="="/>
    <Relation PkTable="c" PkColumn="c" FkTable="d" FkColumn="d" ConnectMode="2" ConnectSign="="/>
  </Relations></TableRelations>)");
  EXPECT_EQ(Run({"A", "B", "C", "D"}, "a"), S_OK);
  EXPECT_EQ(Summary(m_text), "A.a>B.b:0=; A.a>D.d:2=; B.b>C.c:2=");
}

TEST_F(RelationsAnalyserTest, ParallelRelationsStayWhereTheyAreMet) {
  Load(R"(<TableRelations><Relations>
    <Relation PkTable="A" PkColumn="x" FkTable="B" FkColumn="x" ConnectMode="0" ConnectSign="="/>
    <Relation PkTable="A" PkColumn="z" FkTable="C" FkColumn="z" ConnectMode="2" ConnectSign="="/>
    <Relation PkTable="b" PkColumn="y" FkTable="a" FkColumn="y" ConnectMode="0" ConnectSign="="/>
    <Relation PkTable="C" PkColumn="w" FkTable="Outside" FkColumn="w" ConnectMode="0" ConnectSign="="/>
  </Relations></TableRelations>)");
  EXPECT_EQ(Run({"A", "B", "C"}, ""), S_OK);
  EXPECT_EQ(Summary(m_text), "A.x>B.x:0=; A.z>C.z:2=; b.y>a.y:0=");
}

TEST_F(RelationsAnalyserTest, StartOnForeignKeySideIsSwappedInTheCopyOnly) {
  Load(R"(<TableRelations><Relations>
    <Relation PkTable="A" PkColumn="id" FkTable="B" FkColumn="aid" ConnectMode="0" ConnectSign="&lt;"/>
    <Relation PkTable="A" PkColumn="id" FkTable="C" FkColumn="aid" ConnectMode="1" ConnectSign="="/>
  </Relations></TableRelations>)");
  EXPECT_EQ(Run({"A", "B", "C"}, "B"), S_OK);
  // Only the first relation is seen from the start table.
  EXPECT_EQ(Summary(m_text), "B.aid>A.id:1>; A.id>C.aid:1=");
  EXPECT_EQ(Select("Relations/Relation[1]").getAttribute("PkTable"), "A");
  EXPECT_EQ(Select("Relations/Relation[1]").getAttribute("ConnectMode"), "0");
}

TEST_F(RelationsAnalyserTest, StartResolvedThroughTheTablesByNameOrExpression) {
  Load(R"(<TableRelations>
    <Tables>
      <Table Name="Employees" Alias="E1" Expression="dbo.Employees"/>
      <Table Name="Employees" Alias="Boss Table" Expression="dbo.Employees" IsMaster="True"/>
      <Table Name="Depts" Alias="D" Expression="{S}.dbo.Depts"/>
    </Tables>
    <Relations>
      <Relation PkTable="[Boss Table]" PkColumn="id" FkTable="E1" FkColumn="boss" ConnectMode="0" ConnectSign="="/>
      <Relation PkTable="D" PkColumn="id" FkTable="E1" FkColumn="dept" ConnectMode="0" ConnectSign="="/>
    </Relations></TableRelations>)");
  const CStringArray tables{"E1", "[Boss Table]", "D"};
  // Two tables share the name: the master one is meant.
  EXPECT_EQ(Run(tables, "employees"), S_OK);
  EXPECT_EQ(Summary(m_text).substr(0, 16), "[Boss Table].id>");
  EXPECT_EQ(Run(tables, "{S}.dbo.Depts"), S_OK);
  EXPECT_EQ(Summary(m_text).substr(0, 5), "D.id>");
}

struct OutcomeCase {
  const char* name;
  CStringArray tables;
  const char* start;
  HRESULT expected;
  const char* summary;  // of the text; nullptr: no text at all
};

TEST_F(RelationsAnalyserTest, Outcomes) {
  Load(R"(<TableRelations><Relations>
    <Relation PkTable="A" PkColumn="id" FkTable="B" FkColumn="aid" ConnectMode="0" ConnectSign="="/>
    <Relation PkTable="X" PkColumn="id" FkTable="Y" FkColumn="xid" ConnectMode="0" ConnectSign="="/>
    <Relation PkTable="Z" PkColumn="id" FkTable="Z" FkColumn="zid" ConnectMode="0" ConnectSign="="/>
  </Relations></TableRelations>)");
  const OutcomeCase cases[] = {
      {"all reached", {"A", "B"}, "A", S_OK, "A.id>B.aid:0="},
      {"reached part", {"A", "B", "X"}, "A", TPE_ANALYSER_DISCONNECTED, "A.id>B.aid:0="},
      {"start alone", {"A", "B", "X", "Y"}, "X", TPE_ANALYSER_DISCONNECTED, "X.id>Y.xid:0="},
      {"no relation of the list", {"A", "Y"}, "", CRelationsAnalyser::RA_NO_RELATION, nullptr},
      {"self relation only", {"Z", "A"}, "Z", CRelationsAnalyser::RA_NO_RELATION, nullptr},
      {"empty list", {}, nullptr, CRelationsAnalyser::RA_NO_RELATION, nullptr},
      {"unknown start", {"A", "B"}, "Q", CRelationsAnalyser::RA_START_NOT_FOUND, nullptr},
  };
  for (const OutcomeCase& c : cases) {
    SCOPED_TRACE(c.name);
    m_text = "stale";
    EXPECT_EQ(Run(c.tables, c.start), c.expected);
    if (c.summary == nullptr) {
      EXPECT_TRUE(m_text.IsEmpty());
    } else {
      EXPECT_EQ(Summary(m_text), c.summary);
    }
    EXPECT_FALSE(CRelationsAnalyser::GetResultText(c.expected).IsEmpty());
  }
  // A start table without any relation of the list reaches nothing.
  EXPECT_EQ(Run({"A", "B", "Y"}, "Y"), TPE_ANALYSER_DISCONNECTED);
  EXPECT_EQ(m_text, "<Relations></Relations>");
}

TEST(RelationsAnalyserNoNode, ReportsNoRelation) {
  CRelationsAnalyser analyser;
  CString text;
  CStringArray tables{"A", "B"};
  EXPECT_EQ(analyser.GetRelations(tables, text, nullptr), CRelationsAnalyser::RA_NO_RELATION);
  std::vector<CStringArray> cycles{{"stale"}};
  EXPECT_EQ(analyser.GetCycleInfo(cycles), S_OK);
  EXPECT_TRUE(cycles.empty());
}

struct CycleCase {
  const char* name;
  std::string relations;  // "Pk-Fk" pairs separated by blanks
  std::vector<std::string> cycles;
};

std::string RelationsXml(const std::string& pairs) {
  std::string xml = "<TableRelations><Relations>";
  size_t pos = 0;
  while (pos < pairs.size()) {
    size_t end = pairs.find(' ', pos);
    if (end == std::string::npos) end = pairs.size();
    const std::string pair = pairs.substr(pos, end - pos);
    const size_t dash = pair.find('-');
    xml += "<Relation PkTable=\"" + pair.substr(0, dash) + "\" FkTable=\"" + pair.substr(dash + 1) + "\"/>";
    pos = end + 1;
  }
  return xml + "</Relations></TableRelations>";
}

TEST_F(RelationsAnalyserTest, CyclesOfTheUndirectedGraph) {
  const CycleCase cases[] = {
      {"tree", "A-B B-C B-D", {}},
      {"parallel relations are one edge", "A-B B-A a-b", {}},
      {"self relation", "A-A A-B", {}},
      {"triangle, any direction and case", "A-B C-b a-C", {"A,B,C"}},
      {"square with diagonal", "A-B B-C C-D D-A A-C", {"A,B,C,D", "A,B,C", "A,C,D"}},
      {"two separate loops", "A-B B-C C-A X-Y Y-Z Z-X", {"A,B,C", "X,Y,Z"}},
      {"a self relation names its table first", "a-a A-B B-C C-A", {"a,B,C"}},
      {"a relation with an empty side names nothing first", "B- -C A-B B-C C-A", {"A,B,C"}},
  };
  for (const CycleCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(RelationsXml(c.relations));
    CRelationsAnalyser analyser;
    analyser.SetRelationsNode(Select("Relations"));
    std::vector<CStringArray> cycles;
    EXPECT_EQ(analyser.GetCycleInfo(cycles), S_OK);
    std::vector<std::string> found;
    for (const CStringArray& cycle : cycles) found.push_back(Joined(cycle));
    EXPECT_EQ(found, c.cycles);
  }
}

TEST_F(RelationsAnalyserTest, LongChainsAndDenseGraphsStayBounded) {
  // A chain of 20000 tables ending in a triangle: one cycle, found without
  // deep recursion or a search per table.
  std::string pairs;
  for (int i = 0; i < 20000; ++i) pairs += "T" + std::to_string(i) + "-T" + std::to_string(i + 1) + " ";
  pairs += "T20000-T20001 T20001-T19999";
  Load(RelationsXml(pairs));
  CRelationsAnalyser analyser;
  analyser.SetRelationsNode(Select("Relations"));
  std::vector<CStringArray> cycles;
  EXPECT_EQ(analyser.GetCycleInfo(cycles), S_OK);
  ASSERT_EQ(cycles.size(), 1u);
  EXPECT_EQ(Joined(cycles[0]), "T19999,T20000,T20001");

  // Every pair of 12 tables related: millions of cycles; the search stops.
  pairs.clear();
  for (int i = 0; i < 12; ++i)
    for (int j = i + 1; j < 12; ++j) pairs += "K" + std::to_string(i) + "-K" + std::to_string(j) + " ";
  pairs.pop_back();
  Load(RelationsXml(pairs));
  analyser.SetRelationsNode(Select("Relations"));
  EXPECT_EQ(analyser.GetCycleInfo(cycles), S_FALSE);
  EXPECT_EQ(cycles.size(), CRelationsAnalyser::kMaxCycles);
}

}  // namespace

namespace {

struct ThroughCase {
  const char* name;
  std::string relations;  // "Pk-Fk" pairs separated by blanks
  CStringArray tables;
  std::vector<std::string> cycles;
};

TEST_F(RelationsAnalyserTest, CyclesThroughTheGivenTablesOnly) {
  std::string dense;  // every pair of 12 unused tables related
  for (int i = 0; i < 12; ++i)
    for (int j = i + 1; j < 12; ++j) dense += "K" + std::to_string(i) + "-K" + std::to_string(j) + " ";
  std::string chain;  // 20000 tables in a row, ending in a triangle
  for (int i = 0; i < 20000; ++i) chain += "T" + std::to_string(i) + "-T" + std::to_string(i + 1) + " ";
  chain += "T20000-T20001 T20001-T19999";
  const ThroughCase cases[] = {
      {"triangle", "T1-T2 T2-T3 T3-T1", {"T1", "T2", "T3"}, {"T1,T2,T3"}},
      {"behind millions of loops elsewhere", dense + "A-B B-C C-A", {"B", "C"}, {"B,A,C"}},
      {"none among millions elsewhere", dense + "A-B B-C", {"A", "B", "C"}, {}},
      {"loop through one listed table", "A-X X-Y Y-A A-B", {"A", "B"}, {}},
      {"listed twice", "A-X X-Y Y-A A-B", {"A", "a"}, {"A,X,Y"}},
      {"ring: the cycle runs round it", "A-B B-C C-D D-E E-F F-A", {"D", "A"}, {"D,C,B,A,F,E"}},
      {"two loops sharing a table, one listed table each", "A-B B-C C-A C-D D-E E-C", {"A", "E"}, {}},
      {"two loops sharing a table, ordered by the list", "A-B B-C C-A C-D D-E E-C", {"D", "E", "B", "A"},
       {"D,C,E", "B,A,C"}},
      {"tables named in relations only", "A-B B-C", {"Q", "R"}, {}},
      {"two relations, one each way: too few for a cycle", "A-B B-A", {"A", "B"}, {}},
      {"three relations over two tables", "A-B B-A A-B", {"A", "B"}, {}},
      {"long chain into a triangle", chain, {"T0", "T20001", "T20000"}, {"T20001,T20000,T19999"}},
  };
  for (const ThroughCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(RelationsXml(c.relations));
    CRelationsAnalyser analyser;
    analyser.SetRelationsNode(Select("Relations"));
    std::vector<CStringArray> cycles{{"stale"}};
    EXPECT_EQ(analyser.GetCycleInfo(cycles, c.tables), S_OK);
    std::vector<std::string> found;
    for (const CStringArray& cycle : cycles) found.push_back(Joined(cycle));
    EXPECT_EQ(found, c.cycles);
  }
}

}  // namespace

namespace {

struct BridgeCase {
  const char* name;
  std::string relations;  // "Pk-Fk" pairs separated by blanks, mode 0
  CStringArray tables;
  HRESULT expected;
  const char* summary;
  const char* tablesAfter;
};

TEST_F(RelationsAnalyserTest, TablesRelatedOnlyThroughOthersAreConnectedThroughThem) {
  const BridgeCase cases[] = {
      {"one table between", "A-X X-B", {"A", "B"}, S_OK, "A.>X.:0; X.>B.:0", "A,B,X"},
      {"two tables between", "A-X X-Y Y-B", {"A", "B"}, S_OK, "A.>X.:0; X.>Y.:0; Y.>B.:0", "A,B,X,Y"},
      {"the shortest way", "A-X X-Y Y-B A-Z Z-B", {"A", "B"}, S_OK, "A.>Z.:0; Z.>B.:0", "A,B,Z"},
      {"a direct relation rather than a way round", "A-X X-B B-A", {"A", "B"}, S_OK, "A.>B.:1", "A,B"},
      {"a listed table on the way is no bridge", "A-X X-B B-Y Y-C", {"A", "C", "B"}, S_OK,
       "A.>X.:0; X.>B.:0; B.>Y.:0; Y.>C.:0", "A,C,B,X,Y"},
      {"reached from the foreign-key side", "X-A X-B", {"A", "B"}, S_OK, "A.>X.:1; X.>B.:0", "A,B,X"},
      {"spelled as first named", "A-x X-B", {"A", "B"}, S_OK, "A.>x.:0; X.>B.:0", "A,B,x"},
      {"spelled as first joined, not as a self relation names it", "x-x A-X X-B", {"A", "B"}, S_OK,
       "A.>X.:0; X.>B.:0", "A,B,X"},
      {"relations elsewhere stay out", "A-X X-B B-Y Y-Z P-Q", {"A", "B"}, S_OK, "A.>X.:0; X.>B.:0", "A,B,X"},
      {"a table connected to none", "A-X X-B C-D", {"A", "B", "C"}, TPE_ANALYSER_DISCONNECTED,
       "A.>X.:0; X.>B.:0", "A,B,C,X"},
      {"no two tables connected", "A-X B-Y", {"A", "B"}, CRelationsAnalyser::RA_NO_RELATION, nullptr, "A,B"},
  };
  for (const BridgeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(RelationsXml(c.relations));
    for (IXMLDOMNodePtr n = Select("Relations").firstChild(); n; n = n.nextSibling()) {
      IXMLDOMElementPtr(n).setAttribute("ConnectMode", "0");
    }
    m_text = "stale";
    EXPECT_EQ(Run(c.tables, "A"), c.expected);
    if (c.summary == nullptr) {
      EXPECT_TRUE(m_text.IsEmpty());
    } else {
      EXPECT_EQ(Summary(m_text), c.summary);
    }
    EXPECT_EQ(Joined(m_tables), c.tablesAfter);
  }
}

}  // namespace
