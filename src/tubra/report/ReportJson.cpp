#include "tubra/report/ReportJson.h"

#include <charconv>

#include "text/Gbk.h"
#include "tubra/report/data/ReportSections.h"

namespace tubra::report {

namespace {

using Json = nlohmann::ordered_json;

Json utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

// A measured value as the shortest decimal that reads back as the same float, so 12.3f gives
// 12.3 and not 12.300000190734863. Infinities and NaN have no JSON form and give null.
Json number(float v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    double d = 0;
    std::from_chars(buf, r.ptr, d);
    return Json(d);
}

template <typename Texts>
Json texts(const Texts& t) {
    Json a = Json::array();
    for (const auto& s : t) a.push_back(utf8(s.view()));
    return a;
}

template <typename Numbers>
Json numbers(const Numbers& n) {
    Json a = Json::array();
    for (const auto v : n) a.push_back(v);
    return a;
}

Json printSet(const PrintSetData& p) {
    return Json{{"flags", numbers(p.flags)}, {"start", p.start}};
}

template <typename Section>
Json textSection(const Section& s) {
    return Json{{"texts", texts(s.texts)}};
}

template <typename Section>
Json notedSection(const Section& s) {
    return Json{{"texts", texts(s.texts)}, {"note", utf8(s.note.view())}};
}

template <typename List, typename Row>
Json items(const List& list, Row row) {
    Json a = Json::array();
    for (const auto& item : list) a.push_back(row(item));
    return a;
}

}  // namespace

Json reportToJson(const InspectionReport& r) {
    Json sections[model::kReportSectionsInWriteOrder.size()];
    auto put = [&](int id, Json j) {
        for (std::size_t i = 0; i < model::kReportSectionsInWriteOrder.size(); ++i)
            if (model::kReportSectionsInWriteOrder[i]->id == id) sections[i] = std::move(j);
    };

    put(kPrintSetSection, printSet(r.PrintSet_ReportData));
    put(kFaceSection, textSection(r.Face_ReportData));
    put(kMuluSection, Json{{"flags", numbers(r.Mulu_ReportData.flags)},
                           {"pages", numbers(r.Mulu_ReportData.pages)}});
    put(kJieLunSection, textSection(r.JieLun_ReportData));
    put(kHuiZongSection, Json{{"texts", texts(r.HuiZong_ReportData.texts)},
                              {"grades", numbers(r.HuiZong_ReportData.grades)}});
    put(kShengChaSection, textSection(r.ShengCha_ReportData));
    put(kHongGuanSection, Json{{"texts", texts(r.HongGuan_ReportData.texts)},
                               {"states", numbers(r.HongGuan_ReportData.states)}});

    Json j = textSection(r.CeHou_ReportData);
    j["items"] = items(r.thicknessPoints, [](const ThicknessPoint& p) {
        return Json{utf8(p.pointId.view()), number(p.thickness)};
    });
    put(kCeHouSection, std::move(j));

    j = textSection(r.CiFeng_ReportData);
    j["items"] = items(r.magneticDefects, [](const MagneticDefect& d) {
        return Json{utf8(d.location.view()), number(d.length), utf8(d.remark.view())};
    });
    put(kCiFengSection, std::move(j));

    j = textSection(r.ShenTou_ReportData);
    j["items"] = items(r.penetrantDefects, [](const PenetrantDefect& d) {
        return Json{utf8(d.location.view()), number(d.length)};
    });
    put(kShenTouSection, std::move(j));

    j = textSection(r.SheXian_ReportData);
    j["items"] = items(r.radiographDefects, [](const RadiographDefect& d) {
        return Json{utf8(d.filmNumber.view()), utf8(d.location.view()), utf8(d.nature.view()),
                    number(d.length),           number(d.height),        utf8(d.grade.view()),
                    utf8(d.remark.view())};
    });
    put(kSheXianSection, std::move(j));

    j = textSection(r.ChaoShen_ReportData);
    j["items"] = items(r.ultrasonicDefects, [](const UltrasonicDefect& d) {
        return Json{utf8(d.location.view()), number(d.depth), number(d.length), number(d.height),
                    utf8(d.reflectionZone.view()), utf8(d.grade.view()), utf8(d.remark.view())};
    });
    put(kChaoShenSection, std::move(j));

    put(kFengXiSection, notedSection(r.FengXi_ReportData));

    j = notedSection(r.YingDu_ReportData);
    j["items"] = items(r.hardnessPoints, [](const HardnessPoint& p) {
        return Json{utf8(p.value.view()), utf8(p.location.view())};
    });
    put(kYingDuSection, std::move(j));

    j = notedSection(r.JinXiang_ReportData);
    j["items"] = items(r.metallographImages, [](const MetallographImage& m) {
        return Json{utf8(m.annotation.view()), utf8(m.fileName.view())};
    });
    put(kJinXiangSection, std::move(j));

    put(kNaiYaSection, notedSection(r.NaiYa_ReportData));
    put(kQiMiSection, notedSection(r.QiMi_ReportData));
    put(kFuShuSection, textSection(r.FuShu_ReportData));
    put(kJianXiuSection, textSection(r.JianXiu_ReportData));

    put(kPrintSetOnlineSection, printSet(r.PrintSet_IReportData));
    put(kFaceOnlineSection, Json{{"texts", texts(r.Face_IReportData.texts)},
                                 {"dates", numbers(r.Face_IReportData.dates)}});
    put(kDengJiSection, notedSection(r.DengJi_IReportData));
    put(kCeHouOnlineSection, notedSection(r.CeHou_IReportData));
    put(kJianYanSection, Json{{"texts", texts(r.JianYan_IReportData.texts)},
                              {"notes", texts(r.JianYan_IReportData.notes)},
                              {"states", numbers(r.JianYan_IReportData.states)}});

    Json out = Json::object();
    for (std::size_t i = 0; i < model::kReportSectionsInWriteOrder.size(); ++i)
        out[std::string(model::kReportSectionsInWriteOrder[i]->name)] = std::move(sections[i]);
    return out;
}

}  // namespace tubra::report
