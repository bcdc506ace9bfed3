// The rows of the kinds and symbols as the rest of the program asks them: a symbol's row only
// for objects of its own kind, what a kind falls back to for codes it has no row for, and the
// PCF keys read back as the rows that write them.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tubra/model/Kinds.h"

using namespace tubra::model;

TEST(Kinds, ASymbolRowSpeaksOnlyForObjectsOfItsOwnKind) {
    const int valve = kindValue(ObjectKind::Valve);
    const int fitting = kindValue(ObjectKind::Fitting);
    const int gate = symbolValue(SymbolCode::GateValve);
    const int gauge = symbolValue(SymbolCode::PressureGauge);
    // A gauge is a point on its pipe; a valve carrying the gauge's code still takes a length.
    EXPECT_EQ(realRoleOf(fitting, gauge), RealRole::Point);
    EXPECT_EQ(realRoleOf(valve, gauge), RealRole::InLine);
    EXPECT_EQ(symbolRowOf(valve, gauge), nullptr);
    EXPECT_EQ(symbolRowOf(valve, gate), symbolRow(gate));
    // Its PCF key is the valve's own, a fitting with the valve's code is left out.
    EXPECT_EQ(pcfKeyOf(valve, gate).skey, "VTFL");
    EXPECT_TRUE(pcfKeyOf(fitting, gate).identifier.empty());
    // Names do not depend on the kind: the lists name the code.
    EXPECT_EQ(symbolName(gate), "闸阀");
    EXPECT_EQ(kindOfSymbol(gate), ObjectKind::Valve);
    EXPECT_FALSE(kindOfSymbol(5));
    EXPECT_EQ(symbolName(5), "");
}

TEST(Kinds, CodesWithoutARowFallBackToTheirKind) {
    // An unknown valve is no valve of a known type: it is left out, not written as another.
    EXPECT_TRUE(pcfKeyOf(kindValue(ObjectKind::Valve), 99).identifier.empty());
    // An unknown support is still a support.
    EXPECT_EQ(pcfKeyOf(kindValue(ObjectKind::Accessory), 99).identifier, "SUPPORT");
    EXPECT_EQ(realRoleOf(kindValue(ObjectKind::Fitting), 99), RealRole::InLine);
    EXPECT_EQ(materialGroupOf(kindValue(ObjectKind::Accessory)), MaterialGroup::Support);
    // Neither text nor site marks are listed or exported; text is no part of the pipeline.
    EXPECT_FALSE(materialGroupOf(kindValue(ObjectKind::TextBlock)));
    EXPECT_FALSE(materialGroupOf(kindValue(ObjectKind::SiteMark)));
    EXPECT_FALSE(realRoleOf(kindValue(ObjectKind::TextBlock), 0));
    // A MainType that is no kind has no row and nothing to say.
    EXPECT_EQ(kindRow(27), nullptr);
    EXPECT_TRUE(pcfKeyOf(27, 13).identifier.empty());
    EXPECT_FALSE(realRoleOf(27, 13));
}

TEST(Kinds, EveryPcfKeyIsReadBackAsARowThatWritesIt) {
    std::set<std::string> keys;
    for (const SymbolRow& s : allSymbols()) {
        if (s.pcf.identifier.empty()) continue;
        SCOPED_TRACE(std::string(s.name));
        const auto back = fromPcfKey(s.pcf.identifier, s.pcf.skey);
        ASSERT_TRUE(back);
        // Read back, the object is written with the same key again.
        EXPECT_EQ(pcfKeyOf(kindValue(back->kind), back->subType).skey, s.pcf.skey);
        EXPECT_EQ(pcfKeyOf(kindValue(back->kind), back->subType).identifier, s.pcf.identifier);
        if (s.pcfReadsBack) {
            EXPECT_EQ(back->subType, symbolValue(s.code));
        }
        keys.insert(std::string(s.pcf.skey));
    }
    // Three globe-pattern valves share one key; it reads back as the globe valve.
    EXPECT_EQ(fromPcfKey("VALVE", "VGFL"), (KindAndCode{ObjectKind::Valve, symbolValue(SymbolCode::GlobeValve)}));
    EXPECT_EQ(fromPcfKey("VALVE", "VTFL"), (KindAndCode{ObjectKind::Valve, symbolValue(SymbolCode::GateValve)}));
    EXPECT_EQ(fromPcfKey("REDUCER-CONCENTRIC", "RCBW"),
              (KindAndCode{ObjectKind::Fitting, symbolValue(SymbolCode::ReducerLargeSmall)}));
    // Kinds without symbols: pipes by their identifier, the others by their keys.
    EXPECT_EQ(fromPcfKey("PIPE", ""), (KindAndCode{ObjectKind::Pipe, -1}));
    EXPECT_EQ(fromPcfKey("ELBOW", "ELBW"), (KindAndCode{ObjectKind::Elbow, -1}));
    EXPECT_EQ(fromPcfKey("WELD", "WF"), (KindAndCode{ObjectKind::Weld, -1}));
    EXPECT_FALSE(fromPcfKey("VALVE", "XXXX"));
    EXPECT_FALSE(fromPcfKey("INSTRUMENT", ""));
    EXPECT_GT(keys.size(), 25u);
}

TEST(Kinds, EveryKindAndSymbolIsFoundByItsValue) {
    // (That every row is complete is checked by the compiler, Kinds.cpp.)
    std::set<ObjectKind> kinds;
    for (const KindRow& k : allKinds()) {
        kinds.insert(k.kind);
        EXPECT_EQ(kindRow(kindValue(k.kind)), &k);
    }
    EXPECT_EQ(kinds.size(), kKindCount);
    for (const SymbolRow& s : allSymbols()) EXPECT_EQ(symbolRow(symbolValue(s.code)), &s);
}
