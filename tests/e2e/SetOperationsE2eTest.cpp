// SetOperationsE2eTest.cpp - documents of several queries joined by set
// operations: the union rewriting into one statement, and the UMI
// combinations of datasets (UNION, INTERSET, MINUS, MERGE, mixed).
#include "E2eDocuments.h"
#include "E2eFixture.h"

namespace e2e {
namespace {

// A query of customer names and regions for the regions in `regions`.
std::string RegionQuery(const std::string& name, const std::string& kind, const std::string& regions,
                        const std::string& sort = "") {
  return Query(name, kind, Col("C.CustomerName") + Col("C.Region"),
               Where(Col("C.Region") + Text("=") + Text(regions)) + sort);
}

std::string HandRegions(const std::string& list) {
  return "SELECT CustomerName, Region FROM Customers WHERE Region IN (" + list + ")";
}

struct SetCase {
  const char* name;
  std::string document;
  std::string expected;
};

void PrintTo(const SetCase& c, std::ostream* out) { *out << c.name; }

class SetOperationsE2eTest : public E2eCaseTest<SetCase> {};

TEST_P(SetOperationsE2eTest, CombinesTheRowsOfTheQueries) {
  Rows rows;
  ASSERT_TRUE(Run(Case().document, rows));
  const Rows expected = Expected(Case().expected);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Sorted(rows), Sorted(expected)) << commands_;
}

const std::string kNorthSouth = HandRegions("'North', 'South'");
const std::string kSouthEast = HandRegions("'South', 'East'");
const std::string kEast = HandRegions("'East'");

INSTANTIATE_TEST_SUITE_P(
    Documents, SetOperationsE2eTest,
    ::testing::Combine(
        Engines(),
        ::testing::Values(
            SetCase{"Union",
                    Document(RegionQuery("P", "Main", "North, South") + RegionQuery("Q", "Union", "South, East")),
                    kNorthSouth + " UNION " + kSouthEast},
            SetCase{"UnionAllKeepsDuplicates",
                    Document(RegionQuery("P", "Main", "North, South") + RegionQuery("Q", "Union All", "South, East")),
                    kNorthSouth + " UNION ALL " + kSouthEast},
            SetCase{"ThreeUnions",
                    Document(RegionQuery("P", "Main", "North") + RegionQuery("Q", "Union", "South, East") +
                             RegionQuery("R", "Union", "East, West")),
                    HandRegions("'North', 'South', 'East', 'West'")},
            SetCase{"Intersect",
                    Document(RegionQuery("P", "Main", "North, South") + RegionQuery("Q", "Intersect", "South, East")),
                    kNorthSouth + " INTERSECT " + kSouthEast},
            SetCase{"Minus",
                    Document(RegionQuery("P", "Main", "North, South") + RegionQuery("Q", "Minus", "South, East")),
                    kNorthSouth + " EXCEPT " + kSouthEast},
            // Mixed kinds are applied left to right.
            SetCase{"UnionThenMinus",
                    Document(RegionQuery("P", "Main", "North, South") + RegionQuery("Q", "Union", "South, East") +
                             RegionQuery("R", "Minus", "East")),
                    "SELECT * FROM (" + kNorthSouth + " UNION " + kSouthEast + ") AS u EXCEPT " + kEast},
            // A sub-query definition between the queries breaks the union
            // rewriting; the union is made of datasets instead.
            SetCase{"UnionAfterSubquery",
                    Document(RegionQuery("P", "Main", "North") + RegionQuery("S", "Subquery", "West") +
                             RegionQuery("Q", "Union", "South")),
                    HandRegions("'North', 'South'")},
            SetCase{"UnionExample", Example("union.xml"),
                    "SELECT c.CustomerName, c.Region, SUM(l.Amount) FROM Orders o "
                    "JOIN Customers c USING (CustomerID) JOIN OrderLines l USING (OrderID) "
                    "GROUP BY c.CustomerName, c.Region "
                    "UNION ALL SELECT CustomerName, Region, SUM(Amount) FROM ArchivedRevenue GROUP BY 1, 2"})),
    EngineAndCaseNames());

TEST_P(E2eTest, MergeAppendsTheRowsInOrderUnderPositionalNames) {
  const std::string byName = Sort(Col("C.CustomerName"));
  Rows rows;
  ASSERT_TRUE(
      Run(Document(RegionQuery("P", "Main", "North", byName) + RegionQuery("Q", "Merge", "West", byName)), rows));
  Rows expected = Expected(HandRegions("'North'") + " ORDER BY CustomerName");
  const Rows west = Expected(HandRegions("'West'") + " ORDER BY CustomerName");
  expected.insert(expected.end(), west.begin(), west.end());
  EXPECT_EQ(rows, expected) << commands_;
  // PostgreSQL keeps the names in the letter case an unquoted name is
  // stored in, so that the aggregate command's Column1 finds them.
  EXPECT_EQ(columns_, (std::vector<std::string>{ForEngine("Column1", "column1"), ForEngine("Column2", "column2")}));
}

}  // namespace
}  // namespace e2e
