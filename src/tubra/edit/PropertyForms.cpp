#include "tubra/edit/PropertyForms.h"

#include <cmath>

#include "text/CFormat.h"
#include "tubra/edit/Construction.h"
#include "tubra/edit/NumberInput.h"
#include "tubra/model/Kinds.h"
#include "tubra/model/LengthText.h"
#include "tubra/model/LineReader.h"

namespace tubra::edit {

using model::directionCode;
using model::PipeObject;
using model::truncToInt;
using model::Vec3;
using platform::ActionResult;
using platform::FormState;

namespace {

// Single-line texts are read with at most 254 bytes, the names of the valve and support
// dialogs with at most 39.
constexpr std::size_t kTextBytes = 254;
constexpr std::size_t kShortTextBytes = 39;

std::string utf8(const model::ObjectText& t) { return text::gbkToUtf8(t.view()); }

std::string f2(double v) { return text::format("%-5.2f", v); }
std::string f3(double v) { return text::format("%-5.3f", v); }

// A multi-line text as an edit box shows it (lines end in LF) and back (CR LF).
std::string toBox(const model::ObjectText& t) {
    std::string s = utf8(t), out;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}
std::string fromBox(const std::string& utf8Text) {
    std::string out;
    for (std::size_t i = 0; i < utf8Text.size(); ++i) {
        if (utf8Text[i] == '\n' && (i == 0 || utf8Text[i - 1] != '\r')) out += '\r';
        out += utf8Text[i];
    }
    return text::utf8ToGbk(out);
}

std::string directionText(double code) { return std::string(model::directionName(directionCode(code))); }

constexpr model::TextPlace kLine = model::TextPlace::Line;
constexpr model::TextPlace kRecord = model::TextPlace::Record;

// Tells the user why OK was refused; the dialog stays open.
FormState refuse(platform::FormContext& context, const char* text, const char* caption) {
    context.prompter.ask({text, caption, platform::Buttons::Ok, platform::MessageIcon::Warning,
                          platform::Answer::Ok});
    return FormState::Open;
}

FormState inputError(platform::FormContext& context) {
    return refuse(context, numbers::kInputError, numbers::kInputErrorCaption);
}

}  // namespace

// --- segment ---

SegmentForm::SegmentForm(const PipeObject& segment, const PropertyContext& context)
    : FieldForm("对象属性——管段"),
      copy_(segment),
      context_(context),
      maxCount_(static_cast<int>(model::kMaxObjects)) {
    static const char* kNames[] = {"主线管", "支线管", "管段", "弯头"};
    const int sub = copy_.SubType;
    addShown("name", "名称:", sub >= 0 && sub <= 3 ? kNames[sub] : "");
    addShown("direction", "方向:", directionText(copy_.EndDir));
    addText("Distanc", "长度:", text::format("%-5d", truncToInt(copy_.Distanc))).unit = "毫米";
    shownText_ = utf8(copy_.DistTxt);
    addText("DistTxt", "文字:", shownText_, kTextBytes);
    addText("angle", "角度:", f2(copy_.dimAngle / 10.0)).unit = "度";
    addText("count", "连续根数:", "1");
    const bool slanted = directionCode(copy_.EndDir) == 6;
    const int plane = directionCode(copy_.StrtDir);
    static const char* kPlanes[] = {"上下东西", "上下南北", "东西南北"};
    static const char* kAxes[][2] = {{"上", "东"}, {"上", "北"}, {"东", "北"}};
    const bool known = slanted && plane >= 0 && plane <= 2;
    addShown("plane", "所属平面:", known ? kPlanes[plane] : "无");
    addShown("axisA", "", known ? kAxes[plane][0] : "无").sameRow = true;
    addShown("axisB", "", known ? kAxes[plane][1] : "无").sameRow = true;
    if (slanted) {
        addText("Port3.x", "投影长度:", f2(copy_.Port3.x));
        addText("Port3.y", "", f2(copy_.Port3.y)).sameRow = true;
    } else {
        addShown("Port3.x", "投影长度:", "无");
        addShown("Port3.y", "", "无").sameRow = true;
    }
    addShown("Port1.x", "起点: X=", f2(copy_.Port1.x));
    addShown("Port1.y", "Y=", f2(copy_.Port1.y)).sameRow = true;
    addShown("Port1.z", "高", f2(copy_.Port1.z)).sameRow = true;
    addShown("Port2.x", "终点: X=", f2(copy_.Port2.x));
    addShown("Port2.y", "Y=", f2(copy_.Port2.y)).sameRow = true;
    addShown("Port2.z", "高", f2(copy_.Port2.z)).sameRow = true;
    addText("CaiLiao", "材料牌号:", utf8(copy_.CaiLiao), kTextBytes);
    addText("GuiGe", "规    格:", utf8(copy_.GuiGe), kTextBytes);
    addText("XingHao", "型    号:", utf8(copy_.XingHao), kTextBytes);
    addText("StartUse", "投用日期:", utf8(copy_.StartUse), kTextBytes);
    addText("LastCheck", "最后检查:", utf8(copy_.LastCheck), kTextBytes);
    addText("BiHou", "实测壁厚:", f2(copy_.BiHou)).unit = "毫米";
    const int flow = truncToInt(copy_.Port4.z);
    addChoice("flow", "流向箭头", {kFlowChoices[0], kFlowChoices[1], kFlowChoices[2]},
              flow > 0 ? kFlowChoices[0] : flow < 0 ? kFlowChoices[1] : kFlowChoices[2], platform::FieldStyle::Radio);
}

void SegmentForm::fieldChanged(std::string_view name) {
    // The flow arrow goes into the copy as soon as it is chosen.
    if (name != "flow") return;
    const std::string& v = value("flow");
    copy_.Port4.z = v == kFlowChoices[0] ? 1.0 : v == kFlowChoices[1] ? -1.0 : 0.0;
}

FormState SegmentForm::accept(platform::FormContext& context) {
    PipeObject& o = copy_;
    const int dir = directionCode(o.EndDir);
    const bool slanted = dir == 6;
    // Everything is checked before anything is written, so a refused OK leaves the copy as
    // the dialog opened on it.
    const auto length = readNumber(value("Distanc"), numbers::kLength);
    const auto angle = readNumber(value("angle"), numbers::kAngle);
    const auto wall = readNumber(value("BiHou"), numbers::kWallThickness);
    const auto offsetA = slanted ? readNumber(value("Port3.x"), numbers::kLength) : std::optional<double>(0.0);
    const auto offsetB = slanted ? readNumber(value("Port3.y"), numbers::kLength) : std::optional<double>(0.0);
    if (!length || !angle || !wall || !offsetA || !offsetB) return inputError(context);
    // A segment keeps a length: its end is never put onto its start.
    const bool moves = (dir >= 0 && dir <= 5) || (slanted && std::fabs(*length - truncToInt(o.Distanc)) > 1.0);
    if (moves && *length < 1.0) return inputError(context);
    const auto count = readWholeNumber(value("count"), {-1e9, 1e9});
    if (!count || *count > maxCount_) return refuse(context, kTooMany, numbers::kInputErrorCaption);
    if (!textsCarried(context, {{"DistTxt", kLine}, {"CaiLiao", kLine}, {"GuiGe", kLine}, {"XingHao", kLine},
                                {"StartUse", kLine}, {"LastCheck", kLine}}))
        return FormState::Open;

    if (dir >= 0 && dir <= 5) {
        o.Distanc = *length;
        const Vec3 end = view::StepAlong(context_.axes, o.Port1, dir, *length);
        o.Port2.x = end.x;
        o.Port2.y = end.y;
    } else if (slanted) {
        if (moves) {
            const double dx = o.Port2.x - o.Port1.x;
            const double dy = o.Port2.y - o.Port1.y;
            if (std::fabs(dx) < 0.01) {
                o.Port2.y = o.Port1.y + (dy < 0 ? -*length : *length);
            } else {
                const double now = std::hypot(dx, dy);
                o.Port2.x = o.Port1.x + dx * *length / now;
                o.Port2.y = o.Port1.y + dy * *length / now;
            }
            o.Distanc = sheetLength(o);
        }
        o.Port3.x = *offsetA;
        o.Port3.y = *offsetB;
    }
    const std::string label = gbkValue("DistTxt");
    o.DistTxt = !label.empty() && label.front() == ' ' ? std::string("^") : label;
    o.StartUse = gbkValue("StartUse");
    o.LastCheck = gbkValue("LastCheck");
    o.CaiLiao = gbkValue("CaiLiao");
    o.GuiGe = gbkValue("GuiGe");
    o.XingHao = gbkValue("XingHao");
    o.BiHou = *wall;
    count_ = *count;
    o.applyEndElevationRule(1.0);
    // The text is a label and may say anything; an up or down segment says when it will not be
    // its length.
    if ((dir == 0 || dir == 1) && value("DistTxt") != shownText_) {
        const model::PipeLength stated = model::readPipeLength(o.DistTxt.view());
        if (!stated.known() && !o.DistTxt.empty() && o.DistTxt.view() != "^")
            context.prompter.ask({text::format(kTextNotElevation, value("DistTxt"),
                                               std::string(model::lengthTextFaultText(stated.fault)),
                                               shortNumber(o.Distanc)),
                                  "信息:", platform::Buttons::Ok, platform::MessageIcon::Information,
                                  platform::Answer::Ok});
    }
    if (std::fabs(*angle * 10.0 - o.dimAngle) > 10.0) {
        o.dimAngle = truncToInt(*angle) * 10;
        o.dimYX1_st = Vec3(1, 1, 1);
    }
    // A flow arrow stands in the middle of its segment.
    if (truncToInt(o.Port4.z) != 0) {
        o.Port4.x = (o.Port1.x + o.Port2.x) / 2.0;
        o.Port4.y = (o.Port1.y + o.Port2.y) / 2.0;
    }
    return FormState::Accepted;
}

// --- weld ---

WeldForm::WeldForm(const PipeObject& weld) : FieldForm("对象属性——焊缝"), copy_(weld) {
    addShown("name", "名称:", "焊缝");
    addShown("Port1.x", "X=", f3(copy_.Port1.x));
    addShown("Port1.y", "Y=", f3(copy_.Port1.y)).sameRow = true;
    addShown("Port1.z", "高", f3(copy_.Port1.z)).sameRow = true;
    addText("Number", "焊口编号:", text::format("%-d", copy_.Number));
    addText("DistTxt", "标注文字:", utf8(copy_.DistTxt), kTextBytes);
    addText("angle", "文字角度:", text::format("%-d", copy_.dimAngle / 10));
    addText("BiHou", "实测壁厚:", f2(copy_.BiHou)).unit = "毫米";
    addText("CaiLiao", "焊条材料:", utf8(copy_.CaiLiao), kTextBytes);
    addText("GuiGe", "规    格:", utf8(copy_.GuiGe), kTextBytes);
    for (auto [name, label, t] : {std::tuple{"FirstCase", "竣工时探伤记录:", &copy_.FirstCase},
                                  std::tuple{"LastCase", "最后探伤情况:", &copy_.LastCase},
                                  std::tuple{"MidCase", "返修记录:", &copy_.MidCase}}) {
        addLines(name, label, toBox(*t), kTextBytes);
    }
}

FormState WeldForm::accept(platform::FormContext& context) {
    PipeObject& o = copy_;
    const auto number = readWholeNumber(value("Number"), numbers::kWeldNumber);
    const auto angle = readWholeNumber(value("angle"), numbers::kAngle);
    const auto wall = readNumber(value("BiHou"), numbers::kWallThickness);
    if (!number || !angle || !wall) return inputError(context);
    if (!textsCarried(context, {{"DistTxt", kLine}, {"CaiLiao", kLine}, {"GuiGe", kLine}, {"FirstCase", kRecord},
                                {"LastCase", kRecord}, {"MidCase", kRecord}}))
        return FormState::Open;
    o.Number = *number;
    o.DistTxt = gbkValue("DistTxt");
    o.dimAngle = *angle * 10;
    o.BiHou = *wall;
    o.CaiLiao = gbkValue("CaiLiao");
    o.GuiGe = gbkValue("GuiGe");
    o.FirstCase = fromBox(value("FirstCase"));
    o.LastCase = fromBox(value("LastCase"));
    o.MidCase = fromBox(value("MidCase"));
    return FormState::Accepted;
}

// --- support ---

std::string SupportForm::nameOf(int subType) {
    const model::SymbolRow* s = model::symbolRow(subType);
    return s && (s->namedIn & model::named::kSupportDialog) ? std::string(s->objectName) : std::string();
}

SupportForm::SupportForm(const PipeObject& support) : FieldForm("对象属性——附件"), copy_(support) {
    addShown("name", "名称:", nameOf(copy_.SubType));
    addShown("direction", "方向:", directionText(copy_.EndDir));
    addShown("Port1.x", "起点: X=", f2(copy_.Port1.x));
    addShown("Port1.y", "Y=", f2(copy_.Port1.y)).sameRow = true;
    addShown("Port1.z", "高", f2(copy_.Port1.z)).sameRow = true;
    addShown("Port2.x", "终点: X=", f2(copy_.Port2.x));
    addShown("Port2.y", "Y=", f2(copy_.Port2.y)).sameRow = true;
    addShown("Port2.z", "高", f2(copy_.Port2.z)).sameRow = true;
    addText("DistTxt", "标注文字:", utf8(copy_.DistTxt), kShortTextBytes);
    addText("angle", "文字角度:", f2(copy_.dimAngle / 10.0));
    // Shown only: this dialog does not store them.
    addShown("StartUse", "起用日期:", utf8(copy_.StartUse));
    addShown("LastCheck", "最后检查:", utf8(copy_.LastCheck));
    addShown("CaiLiao", "材料牌号:", utf8(copy_.CaiLiao));
    addShown("GuiGe", "规    格:", utf8(copy_.GuiGe));
}

FormState SupportForm::accept(platform::FormContext& context) {
    const auto angle = readNumber(value("angle"), numbers::kAngle);
    if (!angle) return inputError(context);
    if (!textsCarried(context, {{"DistTxt", kLine}})) return FormState::Open;
    copy_.DistTxt = gbkValue("DistTxt");
    copy_.dimAngle = truncToInt(*angle * 10.0);
    return FormState::Accepted;
}

// --- text block ---

PipeObject TextForm::newBlock(const Vec3& point) {
    PipeObject o(model::CreationValues{model::kindValue(model::ObjectKind::TextBlock), 0, 0.0, point,
                                       point, 0.0, 0.0});
    o.CaiLiao = text::gbk("宋体");
    o.Port3.y = 40.0;
    o.BiHou = 1.0;
    o.dimTxt_st = point;
    return o;
}

TextForm::TextForm(const PipeObject& block, const PropertyContext& context)
    : FieldForm("输入文字"), copy_(block), context_(context) {
    addText("text", "文字:", utf8(copy_.DistTxt), kTextBytes);
    addOffered("angle", "角度", {"0", "东西", "南北", "上下", "30", "45", "60", "90"},
               shortNumber(copy_.dimAngle / 10.0), 15);
    addCheck("zoomWithDrawing", "动态缩放", truncToInt(copy_.BiHou) == 1);
    addOffered("font", "字体:", {"宋体", "黑体", "楷体", "仿宋"}, utf8(copy_.CaiLiao), kShortTextBytes);
    addText("height", "字高:", shortNumber(copy_.Port3.y), 15);
    addCheck("italic", "斜体", copy_.Number != 0);
    addCheck("underline", "下划线", copy_.SubType != 0).sameRow = true;
    addText("x", "横坐标", text::format("%.1f", copy_.Port1.x), 8);
    addText("y", "纵坐标", text::format("%.1f", copy_.Port1.y), 8).sameRow = true;
    addMenu("insert", "特殊符号", {kSpecialCharacters[0], kSpecialCharacters[1], kSpecialCharacters[2]});
}

ActionResult TextForm::otherAction(std::string_view name, std::string_view argument,
                                platform::FormContext& context) {
    if (name == "insert") {
        for (const char* c : kSpecialCharacters) {
            if (argument == c) {
                (void)setField("text", value("text") + c);  // the text box takes any text
                return state();
            }
        }
        return platform::Error("'" + std::string(argument) + "' 不是 \"输入文字\" 的特殊符号");
    }
    return FieldForm::otherAction(name, argument, context);
}

FormState TextForm::accept(platform::FormContext& context) {
    // Positions beyond any sheet are as wrong as positions off it.
    const double x = readNumber(value("x"), numbers::kLength).value_or(0.0);
    const double y = readNumber(value("y"), numbers::kLength).value_or(0.0);
    if (!(x > 0.0)) {
        context.prompter.ask({"横坐标输入数据错误(应为正数)，请重新输入", "", platform::Buttons::Ok,
                              platform::MessageIcon::Warning, platform::Answer::Ok});
        return FormState::Open;
    }
    if (!(y < 0.0)) {
        context.prompter.ask({"纵坐标输入数据错误(应为负数)，请重新输入", "", platform::Buttons::Ok,
                              platform::MessageIcon::Warning, platform::Answer::Ok});
        return FormState::Open;
    }
    const std::string& angle = value("angle");
    const auto has = [&](const char* s) { return angle.find(s) != std::string::npos; };
    const bool named = has("东") || has("西") || has("南") || has("北") || has("上") || has("下");
    const auto degrees = readNumber(angle, numbers::kAngle);
    const auto height = readNumber(value("height"), numbers::kTextHeight);
    if ((!named && !degrees) || !height) return inputError(context);
    if (!textsCarried(context, {{"text", kLine}, {"font", kLine}})) return FormState::Open;
    PipeObject& o = copy_;
    o.DistTxt = gbkValue("text");
    if (has("东") || has("西"))
        o.dimAngle = truncToInt(context_.axes.alpha * 10.0);
    else if (has("南") || has("北"))
        o.dimAngle = truncToInt(-context_.axes.beta * 10.0);
    else if (has("上") || has("下"))
        o.dimAngle = -900;
    else
        o.dimAngle = truncToInt(*degrees * 10.0);
    o.BiHou = value("zoomWithDrawing") == "1" ? 1.0 : 0.0;
    o.CaiLiao = gbkValue("font");
    if (*height > 0.0) o.Port3.y = *height;
    o.Number = value("italic") == "1" ? 1 : 0;
    o.SubType = value("underline") == "1" ? 1 : 0;
    o.Port1.x = x;
    o.Port1.y = y;
    o.dimTxt_st = o.Port1;
    return FormState::Accepted;
}

}  // namespace tubra::edit
