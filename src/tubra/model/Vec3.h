#pragma once

#include <climits>
#include <concepts>

namespace tubra::model {

// Truncation toward zero of a double to a 32-bit int, as the x86 conversion instruction does:
// NaN and values outside the int range give INT_MIN instead of undefined behaviour.
constexpr int truncToInt(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
    return static_cast<int>(v);
}

// A stored point: x and y on the sheet at zoom 1.0 (0.1 mm units, y up), z the elevation in mm.
struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Vec3() = default;
    constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    template <std::integral I>
    constexpr Vec3(I x_, I y_, I z_) : x(static_cast<double>(x_)), y(static_cast<double>(y_)), z(static_cast<double>(z_)) {}

    constexpr Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    constexpr Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    constexpr Vec3& operator*=(double s) { return *this = *this * s; }
    constexpr Vec3& operator/=(double s) { return *this = *this / s; }
    friend constexpr bool operator==(const Vec3&, const Vec3&) = default;
};

}  // namespace tubra::model
