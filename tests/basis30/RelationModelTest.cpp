// RelationModelTest.cpp - the relation model: which relations it holds, how
// it numbers and spells their tables, each table's relations, and a
// relation turned round.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contracts/basis30/CRelationModel.h"
#include "support/XmlFixture.h"

namespace {

class RelationModelTest : public XmlFixture {};

TEST_F(RelationModelTest, NumbersTablesByFirstMentionOfRelationsThatNameBothSides) {
  // Relations with an empty side number their tables only after all
  // others; a self relation numbers its table where it stands; letter case
  // makes no other table. Only direct "Relation" children count.
  Load(R"(<TableRelations><Relations>
    <Relation PkTable="b" FkTable="A" PkColumn="x" ConnectSign="&lt;"/>
    <Relation PkTable="c" FkTable=""/>
    <Relation PkTable="a" FkTable="a"/>
    <Relation FkTable="D"/>
    <Note><Relation PkTable="Hidden" FkTable="b"/></Note>
    <Relation PkTable="C" FkTable="B"><Relation PkTable="Nested" FkTable="C"/></Relation>
  </Relations></TableRelations>)");
  const CRelationModel model(Select("Relations"));
  ASSERT_EQ(model.Relations().size(), 5u);
  EXPECT_EQ(model.Relations()[0].pkColumn, "x");
  EXPECT_EQ(model.Relations()[0].connectSign, "<");
  EXPECT_EQ(model.Node(), Select("Relations"));

  std::vector<std::string> spellings;
  for (int table = 0; table < static_cast<int>(model.TableCount()); ++table) {
    spellings.push_back(model.Spelling(table).str());
  }
  EXPECT_EQ(spellings, (std::vector<std::string>{"b", "A", "C", "", "D"}));

  EXPECT_EQ(model.Find("B"), 0);
  EXPECT_EQ(model.Find("a"), 1);
  EXPECT_EQ(model.Find("d"), 4);
  EXPECT_EQ(model.Find(""), 3);
  EXPECT_EQ(model.Find("Hidden"), -1);
  EXPECT_EQ(model.Find("Nested"), -1);

  // Each table's relations in document order; the self relation once.
  const auto relationsOf = [&model](const char* name) {
    const auto span = model.RelationsOf(model.Find(name));
    return std::vector<std::size_t>(span.begin(), span.end());
  };
  EXPECT_EQ(relationsOf("a"), (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(relationsOf("b"), (std::vector<std::size_t>{0, 4}));
  EXPECT_EQ(relationsOf("c"), (std::vector<std::size_t>{1, 4}));
  EXPECT_EQ(relationsOf(""), (std::vector<std::size_t>{1, 3}));

  const std::vector<bool> joins{true, false, false, false, true};
  for (std::size_t i = 0; i < joins.size(); ++i) {
    EXPECT_EQ(model.Relations()[i].JoinsTwoTables(), joins[i]) << i;
  }
}

TEST_F(RelationModelTest, EmptyModelWithoutElement) {
  const CRelationModel model(nullptr);
  EXPECT_TRUE(model.Relations().empty());
  EXPECT_EQ(model.TableCount(), 0u);
  EXPECT_EQ(model.Find("A"), -1);
}

struct TurnCase {
  const char* mode;
  const char* sign;
  const char* turnedMode;
  const char* turnedSign;
};

TEST(RelationModelTurnRound, ExchangesSidesAndMirrorsModeAndSign) {
  const TurnCase cases[] = {
      {"0", "<", "1", ">"},      {"1", ">", "0", "<"},       {" 0 ", " <= ", "1", ">="},
      {"1\t", ">=", "0", "<="},  {"2", "=", "2", "="},       {"3", "<>", "3", "<>"},
      {"", "", "", ""},          {"01", " = ", "01", " = "},
  };
  for (const TurnCase& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + "|" + c.sign);
    CRelationModel::Relation relation;
    relation.pkTable = "P";
    relation.pkColumn = "p";
    relation.fkTable = "F";
    relation.fkColumn = "f";
    relation.connectMode = c.mode;
    relation.connectSign = c.sign;
    relation.connectExpr = "P.p = F.f";
    relation.pk = 1;
    relation.fk = 2;
    relation.TurnRound();
    EXPECT_EQ(relation.pkTable, "F");
    EXPECT_EQ(relation.pkColumn, "f");
    EXPECT_EQ(relation.fkTable, "P");
    EXPECT_EQ(relation.fkColumn, "p");
    EXPECT_EQ(relation.pk, 2);
    EXPECT_EQ(relation.fk, 1);
    EXPECT_EQ(relation.connectMode, c.turnedMode);
    EXPECT_EQ(relation.connectSign, c.turnedSign);
    EXPECT_EQ(relation.connectExpr, "P.p = F.f");
  }
}

}  // namespace
