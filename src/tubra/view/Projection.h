#pragma once
// The axonometric sheet: the six projected axis directions, stepping along them, the sheet
// angle of a vector and snapping a drag to the nearest axis. Every stored port is already
// projected, so painting only scales by the zoom factor.

#include "platform/Canvas.h"
#include "tubra/model/Vec3.h"

namespace tubra::view {

// The drawing code's value of pi. Every conversion between degrees and radians here uses it.
inline constexpr double kPi = 3.14159255;
inline constexpr double kDegToRad = kPi / 180.0;
inline constexpr double kRadToDeg = 180.0 / kPi;
// Radians to tenths of a degree, as text angles are stored.
inline constexpr double kRadToTenths = 1800.0 / kPi;

// The two axis angles of a drawing: α of the east-west axis, β of the south-north axis.
struct AxisAngles {
    double alpha = 30.0;  // X_AxisAngle
    double beta = 30.0;   // Y_AxisAngle
};

// The sheet angle (degrees, 0..360) of direction codes 0..5; -1 for other codes.
double directionAngle(int code, const AxisAngles& axes);

// The point `length` units from `start` along direction `code` (0..5; other codes stay at
// `start`); z of the result is 0. With a canvas, draws the line start-result with the
// selected pen, both ends truncated to integers.
model::Vec3 StepAlong(const AxisAngles& axes, const model::Vec3& start, int code, double length,
                      platform::Canvas* draw = nullptr);

// The sheet angle (degrees, 0..360) of the vector start-end; `length` gets its length.
double SegmentAngle(const model::Vec3& start, const model::Vec3& end, double* length = nullptr);

struct SnapResult {
    model::Vec3 end;    // end of the axis-parallel segment
    int direction = 0;  // its direction code
    double length = 0;  // the straight distance from start to the cursor
};

// The axis-parallel segment from `start` nearest in angle to the cursor, drawn when a canvas is
// given. Ties go to the first of west, east, north, south, up, down.
SnapResult SnapToAxis(const AxisAngles& axes, const model::Vec3& start,
                      const model::Vec3& cursor, platform::Canvas* draw = nullptr);

// A filled arrowhead with its tip at `tip`: `direction` truncated to 0..5 picks that axis,
// any other value is an angle in degrees. Size in logical units, independent of the zoom.
void DrawArrowHead(platform::Canvas& canvas, const AxisAngles& axes, const model::Vec3& tip,
                   double direction, platform::Colour colour);

// The device point of a stored point: x and y times the zoom, truncated toward zero.
platform::Point devicePoint(const model::Vec3& stored, double zoom);
// A scaled point (doubles) truncated to a canvas point.
platform::Point truncated(const model::Vec3& scaled);

}  // namespace tubra::view
