#include "tubra/cli/DrawingJson.h"

#include <ostream>

#include "text/Gbk.h"
#include "tubra/model/ReportStore.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportJson.h"

namespace tubra::cli {

using nlohmann::ordered_json;
using namespace tubra::model;

namespace {

std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

ordered_json point(const Vec3& p) { return ordered_json::array({p.x, p.y, p.z}); }

ordered_json settingsJson(const DrawingSettings& s) {
    ordered_json j;
    j["ZhuXianLayer"] = s.ZhuXianLayer;
    j["ZhiXianLayer"] = s.ZhiXianLayer;
    j["DimLineLayer"] = s.DimLineLayer;
    j["DimTextLayer"] = s.DimTextLayer;
    j["FaMenLayer"] = s.FaMenLayer;
    j["GuanJianLayer"] = s.GuanJianLayer;
    j["FuZhuXianLayer"] = s.FuZhuXianLayer;
    j["TuKuangLayer"] = s.TuKuangLayer;
    j["QiTaLayer"] = s.QiTaLayer;
    j["ZhuXianKuan"] = s.ZhuXianKuan;
    j["ZhiXianKuan"] = s.ZhiXianKuan;
    j["BiaoZhuKuan"] = s.BiaoZhuKuan;
    j["FaMenKuan"] = s.FaMenKuan;
    j["HanFengKuan"] = s.HanFengKuan;
    j["QiTaKuan"] = s.QiTaKuan;
    j["ZhuXianStyle"] = s.ZhuXianStyle;
    j["ZhiXianStyle"] = s.ZhiXianStyle;
    j["BiaoZhuStyle"] = s.BiaoZhuStyle;
    j["FaMenStyle"] = s.FaMenStyle;
    j["QiTaStyle"] = s.QiTaStyle;
    j["PrintIsNoColor"] = s.PrintIsNoColor;
    j["BeiJingColor"] = s.BeiJingColor;
    j["ZhuXianColor"] = s.ZhuXianColor;
    j["ZhiXianColor"] = s.ZhiXianColor;
    j["DangQianColor"] = s.DangQianColor;
    j["PingXieColor"] = s.PingXieColor;
    j["LiXieColor"] = s.LiXieColor;
    j["GuanJianColor"] = s.GuanJianColor;
    j["FaMenColor"] = s.FaMenColor;
    j["DimLineColor"] = s.DimLineColor;
    j["DimTextColor"] = s.DimTextColor;
    j["TextColor"] = s.TextColor;
    j["TractColor"] = s.TractColor;
    j["HanFengColor"] = s.HanFengColor;
    j["Dim_High"] = s.Dim_High;
    j["Dim_Size"] = s.Dim_Size;
    j["DrawZoom_GJFM"] = s.DrawZoom_GJFM;
    j["m_wantouR"] = s.m_wantouR;
    j["m_santongChang"] = s.m_santongChang;
    return j;
}

ordered_json objectJson(const PipeObject& o) {
    ordered_json j;
    j["Number"] = o.Number;
    j["MainType"] = o.MainType;
    j["SubType"] = o.SubType;
    j["StrtDir"] = o.StrtDir;
    j["EndDir"] = o.EndDir;
    j["Port1"] = point(o.Port1);
    j["Port2"] = point(o.Port2);
    j["Port3"] = point(o.Port3);
    j["Port4"] = point(o.Port4);
    j["dimYX1_st"] = point(o.dimYX1_st);
    j["dimYX1_ed"] = point(o.dimYX1_ed);
    j["dimYX2_st"] = point(o.dimYX2_st);
    j["dimYX2_ed"] = point(o.dimYX2_ed);
    j["dimL_st"] = point(o.dimL_st);
    j["dimL_ed"] = point(o.dimL_ed);
    j["dimTxt_st"] = point(o.dimTxt_st);
    j["dimAngle"] = o.dimAngle;
    j["DistTxt"] = utf8(o.DistTxt);
    j["CaiLiao"] = utf8(o.CaiLiao);
    j["GuiGe"] = utf8(o.GuiGe);
    j["XingHao"] = utf8(o.XingHao);
    j["StartUse"] = utf8(o.StartUse);
    j["LastCheck"] = utf8(o.LastCheck);
    j["FirstCase"] = utf8(o.FirstCase);
    j["LastCase"] = utf8(o.LastCase);
    j["MidCase"] = utf8(o.MidCase);
    j["BiHou"] = o.BiHou;
    j["Distanc"] = o.Distanc;
    return j;
}

// Report sections kept as they were read, one array of lines per section.
ordered_json verbatimReportJson(const VerbatimReportStore& store) {
    ordered_json j = ordered_json::object();
    for (std::string_view name : kReportSectionWriteOrder) {
        const auto* lines = store.section(name);
        if (!lines) continue;
        ordered_json arr = ordered_json::array();
        for (const auto& l : *lines) arr.push_back(utf8(l));
        j[std::string(name)] = {{"lines", arr}};
    }
    return j;
}

ordered_json drawingJson(const Drawing& d) {
    ordered_json drawing;
    drawing["Total"] = d.Total();
    drawing["ZoomPara"] = d.ZoomPara;
    drawing["X_AxisAngle"] = d.X_AxisAngle;
    drawing["Y_AxisAngle"] = d.Y_AxisAngle;
    drawing["PageSize"] = d.PageSize;
    drawing["IsShowReport"] = ordered_json::array({d.IsShowReport[0], d.IsShowReport[1]});
    drawing["AxisSet"] = ordered_json::array({d.AxisSet.visible, utf8(d.AxisSet.labels[0]),
                                              utf8(d.AxisSet.labels[1]), utf8(d.AxisSet.labels[2])});
    return drawing;
}

ordered_json tableJson(const Drawing& d) {
    ordered_json table = ordered_json::array();
    for (const auto& v : d.table.values) table.push_back(utf8(v));
    return table;
}

ordered_json titleJson(const Drawing& d) {
    ordered_json labels = ordered_json::array(), values = ordered_json::array();
    for (const auto& l : d.title.labels) labels.push_back(utf8(l));
    for (const auto& v : d.title.values) values.push_back(utf8(v));
    return {{"labels", labels}, {"values", values}};
}

ordered_json reportJson(const Document& doc) {
    if (const auto* report = tubra::report::inspectionReport(doc))
        return tubra::report::reportToJson(*report);
    if (const auto* verbatim = dynamic_cast<const VerbatimReportStore*>(&doc.report()))
        return verbatimReportJson(*verbatim);
    return ordered_json::object();
}

}  // namespace

std::string dumpAt(const ordered_json& value, std::string_view indent) {
    const std::string text = value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        out.push_back(c);
        // Strings never hold a raw line break: every one here is the dump's own.
        if (c == '\n') out.append(indent);
    }
    return out;
}

ordered_json documentJson(const Document& doc) {
    const Drawing& d = doc.drawing;
    ordered_json j;
    j["drawing"] = drawingJson(d);
    j["settings"] = settingsJson(doc.settings());
    ordered_json objects = ordered_json::array();
    for (const PipeObject& o : d.objects) objects.push_back(objectJson(o));
    j["objects"] = std::move(objects);
    j["characteristic"] = tableJson(d);
    j["title"] = titleJson(d);
    j["report"] = reportJson(doc);
    return j;
}

void writeDocumentJson(const Document& doc, std::ostream& out) {
    const Drawing& d = doc.drawing;
    out << "{\n  \"drawing\": " << dumpAt(drawingJson(d), "  ");
    out << ",\n  \"settings\": " << dumpAt(settingsJson(doc.settings()), "  ");
    out << ",\n  \"objects\": ";
    writeArrayAt(out, d.objects, "  ", [](const PipeObject& o) { return objectJson(o); });
    out << ",\n  \"characteristic\": " << dumpAt(tableJson(d), "  ");
    out << ",\n  \"title\": " << dumpAt(titleJson(d), "  ");
    out << ",\n  \"report\": " << dumpAt(reportJson(doc), "  ");
    out << "\n}";
}

}  // namespace tubra::cli
