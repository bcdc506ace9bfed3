#include <gtest/gtest.h>

#include "manager/core/PipelineList.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::testing;

namespace {

// A list of rows given as {number, name, length} (UTF-8).
PipelineList listOf(const std::vector<std::array<const char*, 3>>& rows) {
    PipelineList list;
    for (const auto& r : rows) {
        ListRow row;
        row.setCell(kColNumber, r[0]);
        row.setCell(kColName, g(r[1]));
        row.setCell(kColLength, r[2]);
        row.setFileName(std::string(r[0]) + ".hcd");
        row.setCell(kColFileName, row.fileName());
        list.rows.push_back(row);
    }
    return list;
}

std::vector<std::string> column(const PipelineList& list, int c) {
    std::vector<std::string> out;
    for (const ListRow& r : list.rows) out.push_back(u(r.cell(c)));
    return out;
}

}  // namespace

TEST(PipelineList, StatusLinesSumTheLengths) {
    EXPECT_EQ(statusSummary("/data", 0, 0.0), "/data目录下，管线=0根, 总长=  0.00米");
    const PipelineList list = listOf({{"1", "a", "12.5"}, {"2", "b", "3"}, {"3", "c", "约10米"}});
    EXPECT_DOUBLE_EQ(list.totalLength(), 15.5);
    EXPECT_EQ(statusSummary("管线", 3, list.totalLength()), "管线目录下，管线=3根, 总长= 15.50米");
    EXPECT_EQ(selectionSummary(1, list.totalLength({0})), "选择管线数=1根,被选择的管线总长=12.50 米");
}

TEST(PipelineList, SortsNumericColumnsByValueAndOthersByGbkBytes) {
    PipelineList list = listOf({{"1", "乙", "10"}, {"2", "甲", "9"}, {"3", "B", "9.5"}, {"4", "a", "x"}});
    list.sortBy(kColLength, "");
    EXPECT_EQ(column(list, kColLength), (std::vector<std::string>{"x", "9", "9.5", "10"}));
    // GBK code order: ASCII first, then 甲 (BCD7) before 乙 (D2D2); unlike Unicode order.
    list.sortBy(kColName, "");  // second click: descending
    EXPECT_EQ(column(list, kColName), (std::vector<std::string>{"乙", "甲", "a", "B"}));
    list.sortBy(kColName, "");
    EXPECT_EQ(column(list, kColName), (std::vector<std::string>{"B", "a", "甲", "乙"}));
}

TEST(PipelineList, DirectionFlipsOnEveryClickAndResetsWithTheColumns) {
    PipelineList list = listOf({{"2", "b", "1"}, {"1", "a", "2"}, {"3", "c", "3"}});
    EXPECT_EQ(list.sortColumn(), -1);
    list.sortBy(kColNumber, "");
    EXPECT_EQ(column(list, 0), (std::vector<std::string>{"1", "2", "3"}));
    list.sortBy(kColLength, "");  // another column, but the direction still flips
    EXPECT_EQ(column(list, kColLength), (std::vector<std::string>{"3", "2", "1"}));
    list.resetSort();
    list.sortBy(kColLength, "");
    EXPECT_EQ(column(list, kColLength), (std::vector<std::string>{"1", "2", "3"}));
}

TEST(PipelineList, SortFollowsTheSelectedRowAndKeepsRowsWhole) {
    PipelineList list = listOf({{"1", "c", "1"}, {"2", "a", "2"}, {"3", "b", "3"}});
    const int at = list.sortBy(kColName, "1");
    EXPECT_EQ(at, 2);
    EXPECT_EQ(list.row(2).fileName(), "1.hcd");
    EXPECT_EQ(list.row(2).cell(kColLength), "1");
    EXPECT_EQ(list.sortBy(kColName, "9"), -1);
}

TEST(PipelineList, RenumberAlternatesBetweenUpAndDown) {
    PipelineList list = listOf({{"7", "a", ""}, {"3", "b", ""}, {"5", "c", ""}});
    list.renumber();
    EXPECT_EQ(column(list, 0), (std::vector<std::string>{"1", "2", "3"}));
    list.renumber();
    EXPECT_EQ(column(list, 0), (std::vector<std::string>{"3", "2", "1"}));
}

TEST(PipelineList, MergeKeepsTheFirstRowWithTheMarksOfAll) {
    PipelineList list = listOf({{"1", "a", "1.5"}, {"2", "b", "2"}, {"3", "c", "2.5"}, {"4", "d", "9"}});
    list.reportMode = true;
    list.rows[1].setCell(kColFace, g("√"));
    list.rows[2].setCell(kColGrade, "2");
    list.mergeRows({0, 1, 2}, "P-1", "6.00");
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list.row(0).cell(kColPipeNumber), "P-1");
    EXPECT_EQ(list.row(0).cell(kColLength), "6.00");
    EXPECT_EQ(u(list.row(0).cell(kColFace)), "√");
    EXPECT_EQ(list.row(0).cell(kColGrade), "2");
    EXPECT_EQ(list.row(1).cell(kColName), "d");

    list.removeRows({1, 1, 0});
    EXPECT_EQ(list.size(), 0);
}

TEST(PipelineList, FindsRowsByNumberAndFileName) {
    const PipelineList list = listOf({{"1", "a", ""}, {"12", "b", ""}});
    EXPECT_EQ(list.findByNumber("12"), 1);
    EXPECT_EQ(list.findByFileName("12.HCD"), 1);
    EXPECT_EQ(list.findByFileName("3.hcd"), -1);
}
