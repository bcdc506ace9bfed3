// What a view keeps from one layout to the next (the obstacles of every object, the layouts of
// annotations), and a label looking only within its reach, must never change where a label
// goes: after every edit of a long run of edits, the drawing laid out by a view that kept
// everything is byte for byte the drawing a fresh view lays out from the same objects with
// every label looking at everything.

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tubra/model/DrawingFile.h"
#include "tubra/view/LabelPlacement.h"
#include "tubra/view/Paint.h"
#include "tubra/view/Projection.h"
#include "ViewTestSupport.h"

using namespace tubra;
using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

namespace {

std::string saved(model::Document& doc) {
    std::string out;
    model::writeDrawing(doc.drawing, doc.settings(), out);
    return out;
}

// Empty when the two files are the same, else the first line where they differ.
std::string difference(const std::string& a, const std::string& b) {
    if (a == b) return {};
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    const std::size_t line = a.rfind('\n', at) == std::string::npos ? 0 : a.rfind('\n', at) + 1;
    return "kept: " + a.substr(line, a.find('\n', at) - line) + " / fresh: " + b.substr(line, b.find('\n', at) - line);
}

// A run of edits on one document, drawn in a small area so that labels crowd.
class Editor {
public:
    explicit Editor(unsigned seed) : random_(seed) {}

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // One edit of the kinds a user makes, some through the list's own ways to objects and
    // some straight on an object.
    void edit(model::Document& doc, view::ViewState& view) {
        model::ObjectList& list = doc.drawing.objects;
        const view::AxisAngles axes = view.axes();
        const int what = pick(100);
        if (what < 40 || list.size() < 4) {
            // A pipe on from the last end, with a weld where it starts.
            static constexpr int kDirections[] = {2, 3, 4, 5};
            const int dir = kDirections[pick(4)];
            const Vec3 end = view::StepAlong(axes, at_, dir, 60 + pick(140));
            PipeObject pipe = viewtest::makePipe(at_, end, 0, dir);
            pipe.Distanc = 100;
            pipe.DistTxt = std::to_string(1000 + pick(9000));
            viewtest::add(doc, pipe);
            PipeObject weld = viewtest::makeObject(ObjectKind::Weld, at_, at_, -1, dir);
            weld.DistTxt = std::to_string(++welds_);
            viewtest::add(doc, weld);
            at_ = end;
            // Back into the area now and then, so that the drawing stays crowded.
            if (std::hypot(at_.x - 1500, at_.y + 1000) > 900) at_ = Vec3(1200 + pick(600), -1300 + pick(600), 0);
        } else if (what < 50) {
            // A valve on a pipe, its label waiting for a place.
            const PipeObject& pipe = list.at(static_cast<std::size_t>(pick(static_cast<int>(list.size()))));
            const Vec3 mid((pipe.Port1.x + pipe.Port2.x) / 2, (pipe.Port1.y + pipe.Port2.y) / 2, 0);
            PipeObject valve = viewtest::makeObject(ObjectKind::Valve, mid, view::StepAlong(axes, mid, 2, 60), 14, 2);
            valve.DistTxt = "DN" + std::to_string(pick(500));
            viewtest::add(doc, valve);
        } else if (what < 62) {
            // An object moved straight through the list.
            PipeObject& o = list.at(static_cast<std::size_t>(pick(static_cast<int>(list.size()))));
            const double dx = pick(81) - 40, dy = pick(81) - 40;
            o.Port1.x += dx, o.Port1.y += dy, o.Port2.x += dx, o.Port2.y += dy;
        } else if (what < 70) {
            // A weld number typed anew: it looks for a place again.
            for (std::size_t i = list.size(); i-- > 0;)
                if (std::as_const(list).at(i).is(ObjectKind::Weld) && pick(3) == 0) {
                    PipeObject& w = list.at(i);
                    w.DistTxt = std::to_string(pick(100));
                    w.dimYX1_st = Vec3();
                    break;
                }
        } else if (what < 78) {
            list.take(&std::as_const(list).at(static_cast<std::size_t>(pick(static_cast<int>(list.size())))));
        } else if (what < 82) {
            // An object put back in the middle, as undo does.
            auto o = list.take(&std::as_const(list).last());
            list.insert(static_cast<std::size_t>(pick(static_cast<int>(list.size()))), std::move(o));
        } else if (what < 86) {
            view.ZoomPara = pick(2) ? view.ZoomPara * 1.25 : view.ZoomPara / 1.25;
        } else if (what < 88) {
            view.frameSwitch = !view.frameSwitch;
        } else if (what < 90) {
            doc.settings().Dim_Size = 24 + 2 * pick(8);
        } else if (what < 92) {
            list.touchAll();
        }
        // else: nothing changed, the layout runs again.
    }

private:
    std::mt19937 random_;
    Vec3 at_{1200, -1200, 0};
    int welds_ = 0;
};

TEST(IncrementalLayout, AViewThatKeepsItsWorkLaysOutWhatAFreshViewLaysOut) {
    for (unsigned seed : {1u, 2u, 3u}) {
        viewtest::Fixture kept;
        view::initialUpdate(kept.view, kept.doc.drawing);
        kept.view.frameSwitch = 0;
        Editor editor(seed);
        std::size_t fewRecorded = 0;
        for (int step = 0; step < 160; ++step) {
            editor.edit(kept.doc, kept.view);
            // The same objects, laid out by a view that starts from nothing.
            model::Document fresh(kept.app);
            fresh.drawing = kept.doc.drawing;
            view::ViewState freshView = kept.view;
            freshView.obstacles.get().everywhere = true;
            view::onLayout(kept.doc, kept.view, kept.canvas);
            view::onLayout(fresh, freshView, kept.canvas);
            ASSERT_EQ(difference(saved(kept.doc), saved(fresh)), "") << "seed " << seed << ", step " << step;
            // A paint does the same on top.
            if (step % 16 == 0) {
                view::OnDraw(kept.doc, kept.view, kept.canvas);
                view::OnDraw(fresh, freshView, kept.canvas);
                ASSERT_EQ(difference(saved(kept.doc), saved(fresh)), "") << "seed " << seed << ", paint at step " << step;
            }
            if (kept.view.obstacles.get().recorded <= 4) ++fewRecorded;
        }
        // Most layouts looked again only at the few objects an edit changed.
        EXPECT_GT(fewRecorded, 80u) << "seed " << seed;
    }
}

// The kept recordings share blocks across objects and across layouts: an entry that is still
// current must hold exactly the shapes a fresh recording of the same object holds, in the
// same order, whatever was recorded with it and whatever was recorded since.
bool sameShape(const view::ObstacleMap::Shape& a, const view::ObstacleMap::Shape& b) {
    return a.kind == b.kind && a.layer == b.layer && a.box == b.box && a.ax == b.ax && a.ay == b.ay &&
           a.bx == b.bx && a.by == b.by && a.radius == b.radius && a.x0 == b.x0 && a.y0 == b.y0 &&
           a.x1 == b.x1 && a.y1 == b.y1;
}

TEST(IncrementalLayout, AKeptRecordingStillCurrentHoldsWhatAFreshRecordingHolds) {
    std::size_t compared = 0, withShapes = 0;
    for (unsigned seed : {4u, 5u}) {
        viewtest::Fixture kept;
        view::initialUpdate(kept.view, kept.doc.drawing);
        kept.view.frameSwitch = 0;
        Editor editor(seed);
        for (int step = 0; step < 120; ++step) {
            editor.edit(kept.doc, kept.view);
            // A new weld every step, so that both views record at every layout.
            PipeObject weld = viewtest::makeObject(ObjectKind::Weld, Vec3(1400 + step, -1100, 0),
                                                   Vec3(1400 + step, -1100, 0), -1, 2);
            weld.DistTxt = std::to_string(500 + step);
            viewtest::add(kept.doc, weld);
            model::Document fresh(kept.app);
            fresh.drawing = kept.doc.drawing;
            view::ViewState freshView = kept.view;
            view::onLayout(kept.doc, kept.view, kept.canvas);
            view::onLayout(fresh, freshView, kept.canvas);
            const model::ObjectList& a = kept.doc.drawing.objects;
            const model::ObjectList& b = fresh.drawing.objects;
            const auto& ka = kept.view.obstacles.get().entries;
            const auto& kb = freshView.obstacles.get().entries;
            ASSERT_EQ(ka.size(), a.size());
            ASSERT_EQ(kb.size(), b.size());
            for (std::size_t i = 0; i < a.size(); ++i) {
                const view::ObstacleCache::Entry& x = ka[i];
                const view::ObstacleCache::Entry& y = kb[i];
                if (x.object != &a.at(i) || x.stamp != a.stamp(i)) continue;
                if (y.object != &b.at(i) || y.stamp != b.stamp(i) || x.annotated != y.annotated) continue;
                ++compared;
                const auto xs = x.shapes(), ys = y.shapes();
                ASSERT_EQ(xs.size(), ys.size()) << "seed " << seed << ", step " << step << ", object " << i;
                for (std::size_t k = 0; k < xs.size(); ++k)
                    ASSERT_TRUE(sameShape(xs[k], ys[k]))
                        << "seed " << seed << ", step " << step << ", object " << i << ", shape " << k;
                if (!xs.empty()) ++withShapes;
            }
        }
    }
    // Not a comparison of nothing: most objects are current in both views at most steps.
    EXPECT_GT(withShapes, 2000u);
    EXPECT_GE(compared, withShapes);
}

TEST(IncrementalLayout, AnAppendedSegmentIsRecordedAloneAndPlacedAsInAFullLayout) {
    viewtest::Fixture f;
    view::initialUpdate(f.view, f.doc.drawing);
    f.view.frameSwitch = 1;
    Editor editor(7);
    for (int i = 0; i < 40; ++i) {
        editor.edit(f.doc, f.view);
        view::onLayout(f.doc, f.view, f.canvas);
    }
    // Two numbers placed one after the other: each is recorded again at the next placement,
    // since its place changed it.
    const auto addWeld = [&](Vec3 at, const char* number) {
        PipeObject weld = viewtest::makeObject(ObjectKind::Weld, at, at, -1, 2);
        weld.DistTxt = number;
        viewtest::add(f.doc, weld);
    };
    addWeld({900, -600, 0}, "97");
    view::onLayout(f.doc, f.view, f.canvas);
    addWeld({2100, -600, 0}, "98");
    view::onLayout(f.doc, f.view, f.canvas);
    EXPECT_EQ(f.view.obstacles.get().recorded, 2u);
    // A new pipe and weld: the last number placed and the two new objects are all that is
    // recorded (the new weld without its number, which is still to be placed).
    const std::size_t before = f.doc.drawing.objects.size();
    const Vec3 a(1500, -1000, 0), b = view::StepAlong(f.view.axes(), a, 2, 120);
    PipeObject pipe = viewtest::makePipe(a, b, 0, 2);
    pipe.DistTxt = "120";
    viewtest::add(f.doc, pipe);
    addWeld(a, "99");
    view::onLayout(f.doc, f.view, f.canvas);
    EXPECT_EQ(f.view.obstacles.get().recorded, 3u);
    EXPECT_NE(f.doc.drawing.objects.at(before + 1).dimYX1_st.x, 0.0) << "the new number was not placed";
}

}  // namespace
