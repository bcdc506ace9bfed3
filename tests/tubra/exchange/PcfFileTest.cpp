// Reading piping component files as plant-design programs write them: the hand-written files
// of tests/data/pcf, the variations writers make (line ends, tabs, letter case, units, text
// encodings), what is skipped, and the inputs that are refused as a whole. Then which symbol
// each component is drawn with, and that the export's own keys come back as what it wrote.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/exchange/Pcf.h"
#include "tubra/exchange/PcfFile.h"
#include "tubra/exchange/PcfSymbols.h"
#include "tubra/model/Kinds.h"

using namespace tubra;
using exchange::PcfFile;
using exchange::readPcf;
namespace fs = std::filesystem;

namespace {

const fs::path kData = fs::path(TUBRA_TEST_DATA) / "pcf";

PcfFile readOk(std::string_view text) {
    const platform::Result<PcfFile> r = readPcf(text);
    EXPECT_TRUE(r.ok()) << r.message();
    return r.ok() ? r.value() : PcfFile{};
}

PcfFile readFileOk(const char* name) {
    const platform::Result<PcfFile> r = exchange::readPcfFile(kData / name);
    EXPECT_TRUE(r.ok()) << name << ": " << r.message();
    return r.ok() ? r.value() : PcfFile{};
}

const exchange::PcfRecord* findRecord(const PcfFile& f, std::string_view identifier, int nth = 0) {
    for (const exchange::PcfRecord& r : f.records)
        if (r.identifier == identifier && nth-- == 0) return &r;
    return nullptr;
}

constexpr const char* kSmall =
    "ISOGEN-FILES ISOGEN.FLS\n"
    "UNITS-BORE MM\n"
    "UNITS-CO-ORDS MM\n"
    "PIPELINE-REFERENCE L-1\n"
    "PIPE\n"
    "    END-POINT 0 0 0 100\n"
    "    END-POINT 1000 0 0 100\n";

}  // namespace

TEST(PcfFile, ReadsAPlantFile) {
    const PcfFile f = readFileOk("feed-line.pcf");
    EXPECT_EQ(f.reference, "P-1102-150-B1A");
    ASSERT_EQ(f.pipelineAttributes.size(), 5u);
    EXPECT_EQ(f.pipelineAttributes[4].key, "REVISION");
    EXPECT_EQ(f.pipelineAttributes[4].value, "2");
    const exchange::PcfRecord* first = findRecord(f, "END-CONNECTION-EQUIPMENT");
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->coords);
    EXPECT_EQ(first->coords->x, 10000.0);
    EXPECT_EQ(*first->attribute("CONNECTION-REFERENCE"), "P-101/N1");
    const exchange::PcfRecord* tee = findRecord(f, "TEE");
    ASSERT_NE(tee, nullptr);
    ASSERT_EQ(tee->endPoints.size(), 2u);
    EXPECT_EQ(tee->endPoints[1].x, 18143.0);
    EXPECT_EQ(tee->endPoints[1].bore, 150.0);
    EXPECT_EQ(tee->centre->x, 18000.0);
    EXPECT_EQ(tee->branch->z, 4657.0);
    EXPECT_EQ(tee->skey, "TEBW");
    EXPECT_EQ(f.materials.at("P150"), "PIPE, SMLS, ASTM A106 GR.B, 168.3 X 7.11, BE");
    // What it does not use is counted by name; a bolt's own attributes are known.
    EXPECT_EQ(f.skippedAttributes.at("WEIGHT"), 1u);
    EXPECT_EQ(f.skippedAttributes.at("FABRICATION-ITEM"), 1u);
    EXPECT_EQ(f.skippedAttributes.count("BOLT-DIA"), 0u);
    EXPECT_TRUE(f.skippedRecords.empty());
}

TEST(PcfFile, TakesEveryWritersLayoutAlike) {
    const PcfFile plain = readOk(kSmall);
    const std::string variants[] = {
        // CR LF, tabs, lower case, attributes not indented.
        "ISOGEN-FILES ISOGEN.FLS\r\nUNITS-BORE MM\r\nUNITS-CO-ORDS MM\r\nPIPELINE-REFERENCE L-1\r\n"
        "PIPE\r\n    END-POINT 0 0 0 100\r\n    END-POINT 1000 0 0 100\r\n",
        "units-bore\tmm\nunits-co-ords\tmm\npipeline-reference\tL-1\npipe\n\tend-"
        "point\t0\t0\t0\t100\n"
        "\tend-point\t1000.000\t0\t0\t100\n",
        "UNITS-CO-ORDS MM\nPIPELINE-REFERENCE L-1\nPIPE\nEND-POINT 0 0 0 100\nEND-POINT +1000 0 0 "
        "100 BW\n",
    };
    for (const std::string& v : variants) {
        const PcfFile f = readOk(v);
        EXPECT_EQ(f.reference, "L-1");
        ASSERT_EQ(f.records.size(), 1u) << v;
        ASSERT_EQ(f.records[0].endPoints.size(), 2u) << v;
        EXPECT_EQ(f.records[0].endPoints[1].x, plain.records[0].endPoints[1].x);
        EXPECT_EQ(f.records[0].endPoints[1].bore, 100.0);
    }
}

TEST(PcfFile, ConvertsUnitsToMillimetres) {
    const PcfFile inch = readFileOk("inch-bores.pcf");
    EXPECT_TRUE(inch.boreInInches);
    const exchange::PcfRecord* reducer = findRecord(inch, "REDUCER-CONCENTRIC");
    ASSERT_NE(reducer, nullptr);
    EXPECT_EQ(reducer->endPoints[0].inches, 8.0);
    EXPECT_NEAR(reducer->endPoints[0].bore, 203.2, 1e-9);
    EXPECT_NEAR(reducer->endPoints[1].bore, 152.4, 1e-9);
    EXPECT_EQ(reducer->endPoints[1].y, -4152.0);

    const PcfFile metre = readFileOk("metre-coords.pcf");
    EXPECT_EQ(metre.mmPerCoordinate, 1000.0);
    const exchange::PcfRecord* elbow = findRecord(metre, "ELBOW");
    ASSERT_NE(elbow, nullptr);
    EXPECT_NEAR(elbow->endPoints[0].x, 104047.6, 1e-6);
    EXPECT_NEAR(elbow->centre->z, 103500.0, 1e-6);
    EXPECT_EQ(elbow->endPoints[0].bore, 100.0);

    const PcfFile inches = readOk(
        "UNITS-BORE INCH-SIXTEENTH\nUNITS-CO-ORDS INCH\nPIPE\n END-POINT 10 0 0 96\n END-POINT 20 "
        "0 0 96\n");
    EXPECT_NEAR(inches.records[0].endPoints[1].x, 508.0, 1e-9);
    EXPECT_EQ(inches.records[0].endPoints[1].inches, 6.0);
}

TEST(PcfFile, TextsComeOutAsGbk) {
    const PcfFile utf8 = readFileOk("lower-case-utf8.pcf");
    EXPECT_EQ(utf8.encoding, PcfFile::Encoding::Utf8);
    const exchange::PcfRecord* valve = findRecord(utf8, "VALVE");
    ASSERT_NE(valve, nullptr);
    EXPECT_EQ(valve->description, text::utf8ToGbk("球阀 Q41F-16C DN80"));

    const std::string gbkFile =
        std::string(kSmall) + "    ITEM-DESCRIPTION " + text::utf8ToGbk("无缝钢管") + "\n";
    const PcfFile gbk = readOk(gbkFile);
    EXPECT_EQ(gbk.encoding, PcfFile::Encoding::Gbk);
    EXPECT_EQ(gbk.records[0].description, text::utf8ToGbk("无缝钢管"));

    const PcfFile latin1 = readFileOk("latin1-unknown.pcf");
    EXPECT_EQ(latin1.encoding, PcfFile::Encoding::Latin1);
    // Á has a place in GBK; Ø has none and becomes a question mark.
    EXPECT_EQ(findRecord(latin1, "VALVE")->description, text::utf8ToGbk("VÁLVULA ESPECIAL DN100"));
    EXPECT_EQ(findRecord(latin1, "PIPE")->description.substr(0, 21), "TUBO SIN SOLDADURA ?1");
}

TEST(PcfFile, SkipsWhatItDoesNotKnowButKeepsTheLineWhole) {
    const PcfFile f = readFileOk("latin1-unknown.pcf");
    EXPECT_EQ(f.skippedRecords.at("COUPLING"), 1u);
    EXPECT_EQ(f.skippedRecords.at("SPINDLE"), 1u);
    EXPECT_EQ(f.skippedAttributes.at("SPOOL-IDENTIFIER"), 2u);
    // An unknown record's own attributes are not counted again.
    EXPECT_EQ(f.skippedAttributes.count("DIRECTION"), 0u);
    const exchange::PcfRecord* coupling = findRecord(f, "COUPLING");
    ASSERT_NE(coupling, nullptr);
    EXPECT_FALSE(coupling->known);
    ASSERT_EQ(coupling->endPoints.size(), 2u);
    EXPECT_EQ(coupling->endPoints[1].x, 2060.0);
}

TEST(PcfFile, AComponentWithoutAPointStandsWhereItsMasterIs) {
    const PcfFile f = readOk(std::string(kSmall) +
                             "    COMPONENT-IDENTIFIER 7\n"
                             "SUPPORT\n    MASTER-COMPONENT-IDENTIFIER 7\n    SKEY ANCH\n");
    const exchange::PcfRecord* support = findRecord(f, "SUPPORT");
    ASSERT_NE(support, nullptr);
    ASSERT_TRUE(support->coords);
    EXPECT_EQ(support->coords->x, 0.0);
}

TEST(PcfFile, RefusesBadInputWithAReason) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const std::string pipe = "UNITS-CO-ORDS MM\nPIPE\n    END-POINT 0 0 0 100\n";
    const Case cases[] = {
        {"", "空"},
        {"\n  \r\n\t\n", "空"},
        {std::string("PIPE\n    END-POINT 0 0 0 100\0\x01\x02", 32), "二进制"},
        {"Object{\n\tMainType 2\n}\n", "不是 PCF"},
        {"ISOGEN-FILES ISOGEN.FLS\nUNITS-BORE MM\n", "没有管道组件"},
        {pipe, "第 2 行的 PIPE 缺少第二个 END-POINT"},
        {"UNITS-CO-ORDS MM\nELBOW\n END-POINT 0 0 0\n END-POINT 1 1 0\n", "CENTRE-POINT"},
        {pipe + "    END-POINT nan 0 0 100\n", "第 4 行"},
        {pipe + "    END-POINT 1 inf 0 100\n", "有限"},
        {pipe + "    END-POINT 1 0 1e999 100\n", "超出范围"},
        {pipe + "    END-POINT 1e308 0 0 100\n", "超出范围"},
        {"UNITS-CO-ORDS METRE\nPIPE\n END-POINT 0 0 0\n END-POINT 1e306 0 0\n", "超出范围"},
        // A record the reader skips still joins its neighbours by its end points.
        {"UNITS-CO-ORDS METRE\nPIPE\n END-POINT 0 0 0\n END-POINT 1 0 0\nGADGET\n END-POINT 1 0 0\n"
         " END-POINT 1 20010000 0\n",
         "第 5 行的 GADGET 的坐标超出范围"},
        {pipe + "    END-POINT 1 abc 0 100\n", "不是数"},
        {pipe + "    END-POINT 1 2\n", "少了坐标"},
        {"UNITS-CO-ORDS MM\nSUPPORT\n COMPONENT-IDENTIFIER 1\n MASTER-COMPONENT-IDENTIFIER 2\n"
         "SUPPORT\n COMPONENT-IDENTIFIER 2\n MASTER-COMPONENT-IDENTIFIER 3\n"
         "SUPPORT\n COMPONENT-IDENTIFIER 3\n MASTER-COMPONENT-IDENTIFIER 1\n",
         "引用成环"},
    };
    for (const Case& c : cases) {
        const platform::Result<PcfFile> r = readPcf(c.text);
        EXPECT_TRUE(r.failed()) << c.text;
        EXPECT_NE(r.message().find(c.reason), std::string::npos) << r.message() << " / " << c.reason;
    }
}

TEST(PcfFile, KeepsWithinItsLimits) {
    // More components than a sheet takes: refused as soon as the limit is passed.
    std::string many = "UNITS-CO-ORDS MM\n";
    for (int i = 0; i < 100000; ++i)
        many += "PIPE\n END-POINT " + std::to_string(i) + " 0 0 50\n END-POINT " +
                std::to_string(i + 1) + " 0 0 50\n";
    const platform::Result<PcfFile> r = readPcf(many);
    EXPECT_NE(r.message().find("组件太多"), std::string::npos) << r.message();
    EXPECT_NE(r.message().find("20000"), std::string::npos);
    // A file larger than the limit is refused before it is read (a sparse gigabyte here).
    const fs::path dir = fs::temp_directory_path() / ("pcf-limits-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path big = dir / "big.pcf";
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 1LL << 30), 0);
    ::close(fd);
    const platform::Result<PcfFile> huge = exchange::readPcfFile(big);
    EXPECT_EQ(huge.error(), platform::FileError::tooLarge);
    EXPECT_NE(huge.message().find("文件太大"), std::string::npos) << huge.message();
    fs::remove_all(dir);
    EXPECT_NE(exchange::readPcfFile(dir / "none.pcf").message().find("无法读取"), std::string::npos);
}

TEST(PcfSymbols, DescriptionThenKeyThenTheGenericSymbol) {
    using exchange::pcfSymbolOf;
    const std::string gate = text::utf8ToGbk("闸阀"), eight = text::utf8ToGbk("8字盲板");
    struct Case {
        std::string_view identifier, skey;
        std::string description;
        int symbol;
        bool generic;
    };
    const Case cases[] = {
        {"VALVE", "VTFL", "", 13, false},    // gate
        {"VALVE", "VGFL", "", 14, false},    // globe
        {"VALVE", "VGFL", gate, 13, false},  // the program's own name wins over the key
        {"VALVE", "VGFL", "GATE VALVE 150#", 13, false},
        {"VALVE", "VBSW", "", 18, false},
        {"VALVE", "CKFL", "", 21, false},
        {"VALVE", "VYFL", "", 17, false},
        {"VALVE", "", "BALL CHECK VALVE", 21, false},
        {"VALVE", "ZZFL", "", 13, true},  // unknown: the generic valve, reported
        {"VALVE", "", "", 13, true},
        {"INSTRUMENT", "FMFL", "", 11, false},
        {"INSTRUMENT", "XXFL", "", 11, true},
        {"SUPPORT", "ANCH", "", 34, false},
        {"SUPPORT", "GUID", "", 35, false},
        {"SUPPORT", "01HG", "SPRING HANGER", 33, false},
        {"SUPPORT", "01HG", "", 32, true},
        {"FLANGE-BLIND", "FLBL", "", 50, false},
        {"MISC-COMPONENT", "SPBL", eight, 51, false},
        {"CAP", "PLSC", "", 47, false},
        {"CAP", "", "", 46, false},  // one symbol only: nothing to report
        {"REDUCER-ECCENTRIC", "REBW", "", 6, false},
        {"PIPE", "", "", 0, false},
    };
    for (const Case& c : cases) {
        const exchange::PcfSymbolChoice got = pcfSymbolOf(c.identifier, c.skey, c.description);
        EXPECT_EQ(got.symbol, c.symbol) << c.identifier << " " << c.skey << " " << c.description;
        EXPECT_EQ(got.generic, c.generic) << c.identifier << " " << c.skey;
    }
}

TEST(PcfSymbols, WhatTheExportWritesComesBackAsTheSameSymbol) {
    // The export names each component's kind in its description: whatever key it chose (it
    // writes one key for several valves), the symbol comes back. Without the description the
    // key alone brings back the symbol it was written for wherever no other symbol shares it.
    for (const model::SymbolRow& row : model::allSymbols()) {
        const int symbol = model::symbolValue(row.code);
        const model::PcfKey written = model::pcfKeyOf(model::kindValue(row.kind), symbol);
        if (written.identifier.empty()) continue;
        const std::string name = text::gbk(row.name);
        const exchange::PcfSymbolChoice back =
            exchange::pcfSymbolOf(std::string(written.identifier), std::string(written.skey), name);
        EXPECT_EQ(back.symbol, symbol) << row.name;
        EXPECT_FALSE(back.generic);
        if (!row.pcfReadsBack) continue;
        const exchange::PcfSymbolChoice byKey =
            exchange::pcfSymbolOf(std::string(written.identifier), std::string(written.skey), "");
        EXPECT_EQ(byKey.symbol, symbol) << row.name << " " << written.skey;
    }
}
