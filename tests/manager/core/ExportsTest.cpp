#include <gtest/gtest.h>

#include "manager/core/Exports.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::testing;

namespace {

PipelineList twoRows() {
    PipelineList list;
    for (int i = 0; i < 2; ++i) {
        ListRow row;
        row.setCell(kColNumber, std::to_string(i + 1));
        row.setCell(kColName, g("丙烯线"));
        row.setCell(kColPipeNumber, "P-" + std::to_string(i));
        row.setCell(kColStartEnd, g("泵P-101至反应器R-101"));
        row.setCell(kColSize, g("φ108×4"));
        row.setCell(kColLength, "12.5");
        row.setCell(kColMaterial, "20#");
        row.setCell(kColInsulation, g("岩棉,50mm"));
        row.setCell(kColPressure, "2.5");
        row.setCell(kColTemperature, "40");
        row.setCell(kColMedium, g("丙烯"));
        row.setCell(kColCategory, "GC2");
        row.setCell(kColFileName, "a.hcd");
        row.setCell(kColFace, g("√"));
        list.rows.push_back(row);
    }
    return list;
}

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    std::size_t p = 0;
    while (p < s.size()) {
        const std::size_t e = s.find("\r\n", p);
        out.push_back(s.substr(p, e - p));
        p = e + 2;
    }
    return out;
}

}  // namespace

TEST(TextExport, HeaderAndRowsEndInTabCrLf) {
    PipelineList list = twoRows();
    const std::string out = textExport(list);
    const auto l = lines(out);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(out.substr(out.size() - 3), "\t\r\n");
    EXPECT_EQ(u(l[0]),
              "列表序号\t管线名称\t管线编号\t管线类别\t管内介质\t工作压力MPa\t工作温度℃\t起止点\t保温材料\t"
              "投用日期\t管线材料\t管线规格\t管线长度m\t制图\t制图日期\t审核\t审核日期\t图纸名\t文件名\t"
              "图号\t旧图号\t");
    EXPECT_EQ(u(l[1]), "1\t丙烯线\tP-0\tGC2\t丙烯\t2.5\t40\t泵P-101至反应器R-101\t岩棉,50mm\t\t20#\t"
                       "φ108×4\t12.5\t\t\t\t\t\ta.hcd\t\t\t");
    for (const auto& line : l) EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 21);

    list.reportMode = true;
    const auto report = lines(textExport(list));
    EXPECT_EQ(std::count(report[0].begin(), report[0].end(), '\t'), 39);
    EXPECT_NE(u(report[0]).find("\t安全等级\t封面\t目录\t结论\t"), std::string::npos);
    EXPECT_NE(u(report[1]).find("\t√\t"), std::string::npos);
}

TEST(TextExport, CellsAreCutTo49BytesAndNameGetsTxt) {
    PipelineList list;
    ListRow row;
    row.setCell(kColName, std::string(59, 'n'));
    list.rows.push_back(row);
    EXPECT_EQ(lines(textExport(list))[1], "\t" + std::string(49, 'n') + std::string(20, '\t'));
    EXPECT_EQ(textExportFileName("/tmp/list.txt"), "/tmp/list.txt.txt");
    EXPECT_EQ(textExportFileName("/tmp/管线列表输出"), "/tmp/管线列表输出.txt");
}

TEST(Census, StartAndEndPoints) {
    auto split = [](const char* s) {
        auto [a, b] = splitStartEnd(g(s));
        return std::make_pair(u(a), u(b));
    };
    EXPECT_EQ(split("泵P-101至反应器R-101"), std::make_pair(std::string("泵P-101"), std::string("反应器R-101")));
    EXPECT_EQ(split("罐区,装置"), std::make_pair(std::string("罐区"), std::string("装置")));
    EXPECT_EQ(split("罐区，装置"), std::make_pair(std::string("罐区"), std::string("装置")));
    // "至" wins over an earlier full-width comma, which stays in the start as "/".
    EXPECT_EQ(split("一，二至三,四"), std::make_pair(std::string("一/二"), std::string("三/四")));
    EXPECT_EQ(split("装置内"), std::make_pair(std::string("装置内"), std::string()));
    // The bytes of "至" (D6 C1) inside other characters are no separator: "罩" is D5 D6, "林" C1 D6.
    EXPECT_EQ(split("罩林"), std::make_pair(std::string("罩林"), std::string()));
}

TEST(Census, DiameterAndThickness) {
    auto split = [](const char* s) {
        auto [a, b] = splitSize(g(s));
        return std::make_pair(u(a), u(b));
    };
    EXPECT_EQ(split("φ108×4"), std::make_pair(std::string("108"), std::string("4")));
    EXPECT_EQ(split("Φ89×4.5"), std::make_pair(std::string("89"), std::string("4.5")));
    EXPECT_EQ(split("DN100"), std::make_pair(std::string("100"), std::string()));
    EXPECT_EQ(split("57*3.5"), std::make_pair(std::string("57"), std::string("3.5")));
    EXPECT_EQ(split("108"), std::make_pair(std::string("108"), std::string()));
}

TEST(Census, FileLayout) {
    const std::string out = censusExport(twoRows(), g("常减压装置"));
    const auto l = lines(out);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(u(l[0]), "常减压装置,,,,,,,,,,,,,,,,,,,,,,,常减压装置");
    // 24 fields; the insulation's comma is quoted so the columns stay where they are.
    EXPECT_EQ(u(l[1]), "1,丙烯线,P-0,泵P-101,反应器R-101,GC2,108,4,12.5,,,2.5,40,丙烯,20#,,,,,\"岩棉,50mm\",,P-0,,常减压装置");
    EXPECT_EQ(censusField("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(censusField(std::string(60, 'x')), std::string(49, 'x'));
    EXPECT_EQ(lines(censusExport(twoRows(), "A,B"))[0], "\"A,B\"" + std::string(23, ',') + "\"A,B\"");
}
