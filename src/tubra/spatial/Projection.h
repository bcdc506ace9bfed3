#pragma once
// The pipeline in real space as a 3D view shows it: an orbit camera (a direction to look from,
// a zoom and a pan) that projects real points orthographically onto the screen, the shapes a
// view draws for each object of the model, and picking the object under the mouse.
//
// Screen coordinates are pixels, x to the right, y downward, as a window has them. The camera
// looks at `target` from the direction given by `azimuth` (degrees, from east toward north) and
// `elevation` (degrees above the horizon); right on the screen is horizontal, up on the screen
// is as near to up in space as the direction allows.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tubra/spatial/RealModel.h"

namespace tubra::spatial {

struct Point2 {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const Point2&, const Point2&) = default;
};

// The standard isometric direction: seen from south-east and above, the three axes at equal
// angles to the screen; east runs down to the right and north up to the right, both at 30°.
inline constexpr double kIsometricAzimuth = -45.0;
inline constexpr double kIsometricElevation = 35.26438968275465;  // atan(1/√2)

struct Orbit {
    double azimuth = kIsometricAzimuth;
    double elevation = kIsometricElevation;
    double zoom = 0.1;  // pixels per millimetre
    Point2 pan;         // pixels, added after the projection
    Point3 target;      // the real point shown at the centre of the screen (before the pan)
};

// The fixed directions of the view's buttons.
enum class ViewDirection {
    Isometric,  // 等轴测
    Top,        // 俯视: from above, east to the right, north up
    Front,      // 前视: from the south, east to the right, up up
    Side,       // 侧视: from the east, north to the right, up up
};
void lookFrom(Orbit& orbit, ViewDirection direction);

// The camera's unit vectors in real space: screen right, screen up, and toward the eye.
struct Basis {
    Point3 right;
    Point3 up;
    Point3 toEye;
};
Basis basisOf(const Orbit& orbit);

struct Projected {
    Point2 at;     // pixels
    double depth;  // millimetres toward the eye from the target: larger is nearer
};
// `centre` is the middle of the window.
Projected project(const Orbit& orbit, Point2 centre, Point3 p);
// The same with the camera's basis worked out once for many points.
Projected project(const Orbit& orbit, const Basis& basis, Point2 centre, Point3 p);

// Dragging with the left button turns the view: across by azimuth, up and down by elevation
// (kept within ±90°).
void rotateBy(Orbit& orbit, double dxPixels, double dyPixels);
// The wheel: zoom by `factor`, keeping the real point under `cursor` where it is.
void zoomAt(Orbit& orbit, Point2 centre, Point2 cursor, double factor);
// Shows every point inside a window of `width` × `height` pixels with `margin` pixels around
// them; the direction stays.
void fitTo(Orbit& orbit, std::span<const Point3> points, double width, double height,
           double margin);

// What a view draws for the model.
struct Shape {
    enum class Kind {
        Pipe,    // a pipe from end to end
        Leg,     // tubes: a leg of an elbow or tee, from its end to its centre
        InLine,  // a valve or fitting between its two ends
        Marker,  // a point: elbows and tees as lines, welds, supports, gauges, marks
    };
    Kind kind = Kind::Pipe;
    Look look = Look::MainPipe;
    std::size_t object = 0;  // drawing index
    Point3 a;
    Point3 b;           // markers: = a
    double bore = 0.0;  // mm; 0 when unknown
};

struct WeldLabel {
    std::size_t object = 0;
    Point3 at;
    int number = 0;
};

struct Gap {
    std::size_t problem = 0;  // its place in the model's problems
    Point3 a;
    Point3 b;
};

struct Scene {
    std::vector<Shape> shapes;
    std::vector<WeldLabel> welds;
    std::vector<Gap> gaps;
    std::vector<Point3> extent;  // every point drawn, for fitting the view
};

// Lines: pipes from end to end through the intersection points, elbows and tees as markers
// there. Tubes: pipes between the legs of their elbows and tees, the legs drawn as tube too.
// Objects whose points are unusable are left out.
Scene sceneOf(const RealModel& model, bool tubes);

// A shape on the screen, for picking.
struct ScreenItem {
    std::size_t object = 0;
    Point2 a;
    Point2 b;
    double radius = 0.0;  // half its drawn width, pixels
    double depth = 0.0;
    int priority = 0;  // things on a pipe win over the pipe under them
};
inline constexpr double kMarkerRadius = 5.0;  // pixels
// The half width, in pixels, a shape is drawn with.
double screenRadius(const Shape& shape, double zoom, bool tubes);
std::vector<ScreenItem> screenItems(const Scene& scene, const Orbit& orbit, Point2 centre,
                                    bool tubes);

// The object drawn nearest to `at`, within `tolerance` pixels of its outline; where two are as
// near, the thing on a pipe before the pipe, then the one whose middle is nearer (a weld beside
// an elbow), then the one nearer to the eye.
std::optional<std::size_t> pick(std::span<const ScreenItem> items, Point2 at, double tolerance);

}  // namespace tubra::spatial
