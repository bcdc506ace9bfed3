#pragma once
// Documents and objects for the view tests.

#include <memory>

#include "platform/RecordingCanvas.h"
#include "tubra/model/Document.h"
#include "tubra/view/PaintContext.h"

namespace viewtest {

using tubra::model::PipeObject;
using tubra::model::Vec3;

inline PipeObject makeObject(tubra::model::ObjectKind kind, Vec3 p1, Vec3 p2, int subType = 0,
                             double endDir = 0.0) {
    PipeObject o;
    o.MainType = tubra::model::kindValue(kind);
    o.SubType = subType;
    o.Port1 = p1;
    o.Port2 = p2;
    o.EndDir = endDir;
    o.StrtDir = -1;
    return o;
}

inline PipeObject makePipe(Vec3 p1, Vec3 p2, int subType = 0, double endDir = 0.0) {
    return makeObject(tubra::model::ObjectKind::Pipe, p1, p2, subType, endDir);
}

inline PipeObject& add(tubra::model::Document& doc, const PipeObject& o) {
    return doc.drawing.objects.append(std::make_unique<PipeObject>(o));
}

// A document with default settings in its own program context.
struct Fixture {
    tubra::model::AppContext app;
    tubra::model::Document doc{app};
    tubra::view::ViewState view;
    platform::RecordingCanvas canvas;
    tubra::view::PaintContext ctx() { return {canvas, app.settings, view}; }
};

}  // namespace viewtest
