#include "tubra/spatial/Sketch.h"

#include <gtest/gtest.h>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/edit/Construction.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/ToolCommands.h"
#include "tubra/model/LengthText.h"

namespace tubra::testing {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

Sketch::Sketch(double elevation, bool autoWelds) {
    app::installCommands(registry_);
    player_ = std::make_unique<edit::SessionPlayer>(
        app_, registry_, std::vector<edit::KeyBinding>{{"Del", 474}, {"T", 485}});
    play(text::format("new %.3f 30 30\n", elevation) + (autoWelds ? "key T\n" : "") +
         "command 2709\n");
}

Sketch::~Sketch() = default;

void Sketch::play(const std::string& lines) {
    const edit::SessionResult r = player_->run(lines);
    ASSERT_TRUE(r.ok) << "line " << r.line << ": " << r.message << "\n" << lines;
}

model::Drawing& Sketch::drawing() {
    return player_->document()->drawing;
}

Vec3 Sketch::step(const Vec3& from, int dir, double sheet) const {
    Vec3 p = view::StepAlong(axes_, from, dir, sheet);
    p.z = from.z;
    return p;
}

const PipeObject& Sketch::segment(const Vec3& from, int dir, double sheet, std::string_view text,
                                  std::string_view before) {
    const Vec3 to = step(from, dir, sheet);
    // An up or down segment whose text states no length says so when its dialog is confirmed.
    const bool told = (dir == 0 || dir == 1) && !text.empty() && text != "^" && !model::readPipeLength(text).known();
    play(text::format("click %.4f %.4f\n", from.x, from.y) + std::string(before) + (told ? "answer ok\n" : "") +
         text::format("dialog Distanc=%.4f \"DistTxt=%s\"\n", sheet, std::string(text)) +
         text::format("click %.4f %.4f\n", to.x, to.y));
    return lastPipe();
}

const PipeObject& Sketch::then(int dir, double sheet, std::string_view text) {
    return segment(end(), dir, sheet, text);
}

const PipeObject& Sketch::lastPipe() const {
    const auto& list = player_->document()->drawing.objects;
    return *list.lastOfKind(ObjectKind::Pipe);
}

Vec3 Sketch::end() const {
    return lastPipe().Port2;
}

void Sketch::sizePipes(std::string_view utf8) {
    for (PipeObject& o : drawing().objects)
        if (o.is(ObjectKind::Pipe)) o.GuiGe = text::utf8ToGbk(std::string(utf8));
}

std::size_t Sketch::lastIndex(ObjectKind kind) const {
    const auto& list = player_->document()->drawing.objects;
    return static_cast<std::size_t>(list.indexOf(list.lastOfKind(kind)));
}

std::size_t Sketch::place(const PipeObject& pipe, double fraction, int symbol) {
    const Vec3 at(pipe.Port1.x + (pipe.Port2.x - pipe.Port1.x) * fraction,
                  pipe.Port1.y + (pipe.Port2.y - pipe.Port1.y) * fraction,
                  pipe.Port1.z + (pipe.Port2.z - pipe.Port1.z) * fraction);
    const double outlet = symbol == 54 ? (model::directionCode(pipe.EndDir) + 2) % 6 : -1.0;
    const PipeObject c =
        edit::makeComponent(pipe, at, symbol, 200.0, outlet, settings(), axes_, 1.0);
    drawing().objects.addCopy(c);
    return drawing().objects.size() - 1;
}

std::size_t Sketch::weld(const PipeObject& pipe, double fraction) {
    const Vec3 at(pipe.Port1.x + (pipe.Port2.x - pipe.Port1.x) * fraction,
                  pipe.Port1.y + (pipe.Port2.y - pipe.Port1.y) * fraction,
                  pipe.Port1.z + (pipe.Port2.z - pipe.Port1.z) * fraction);
    edit::addWeld(drawing(), at, pipe.EndDir);
    return drawing().objects.size() - 1;
}

Vec3 middle(const PipeObject& p) {
    return Vec3((p.Port1.x + p.Port2.x) / 2, (p.Port1.y + p.Port2.y) / 2,
                (p.Port1.z + p.Port2.z) / 2);
}

}  // namespace tubra::testing
