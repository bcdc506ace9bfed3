#pragma once

#include <cstddef>
#include <cstdint>

#include "text/FixedText.h"
#include "tubra/model/Kinds.h"
#include "tubra/model/Vec3.h"

namespace tubra::model {

// A number as the drawing file keeps it: written with six decimals and read back. What is laid
// out and drawn from numbers kept so is what opening the saved file gives again, so a drawing
// saved, opened and saved again comes back byte for byte. Values too large for six decimals to
// matter, and values that are not finite, stay as they are.
double fileNumber(double v);


// A single-line text value of an object: at most 255 bytes.
using ObjectText = text::CompactText<256>;

// The seven values an object is constructed from.
struct CreationValues {
    int MainType = 0;
    int SubType = 0;
    double EndDir = 0.0;
    Vec3 Port1;
    Vec3 Port2;
    double Distanc = 0.0;
    double StrtDir = 0.0;
};

// One drawing object. The field names are the keys of the drawing file.
struct PipeObject {
    std::int32_t Number = 0;
    std::int32_t MainType = 0;
    std::int32_t SubType = 0;
    double StrtDir = 0.0;
    double EndDir = 0.0;
    Vec3 Port1;
    Vec3 Port2;
    Vec3 Port3;
    Vec3 Port4;
    Vec3 dimYX1_st;
    Vec3 dimYX1_ed;
    Vec3 dimYX2_st;
    Vec3 dimYX2_ed;
    Vec3 dimL_st;
    Vec3 dimL_ed;
    Vec3 dimTxt_st;
    std::int32_t dimAngle = 0;
    ObjectText DistTxt;
    ObjectText CaiLiao;
    ObjectText GuiGe;
    ObjectText XingHao;
    ObjectText StartUse;
    ObjectText LastCheck;
    ObjectText FirstCase;  // may hold CR LF line breaks
    ObjectText LastCase;   // may hold CR LF line breaks
    ObjectText MidCase;    // may hold CR LF line breaks
    double BiHou = 0.0;
    double Distanc = 0.0;

    PipeObject() = default;
    explicit PipeObject(const CreationValues& v);

    ObjectKind kind() const { return static_cast<ObjectKind>(MainType); }
    bool is(ObjectKind k) const { return MainType == kindValue(k); }

    // Every number and point 0, every text empty.
    void reset() { *this = PipeObject(); }

    // Divides x and y of the four ports and `Distanc` by `scale`; elevations stay.
    void divideByScale(double scale);

    // Sets the end elevation `Port2.z` from the start elevation and the run direction.
    void applyEndElevationRule(double scale);

    // Every number of the object as the drawing file keeps it (fileNumber). True when one
    // changed.
    bool keepFileNumbers();

    friend bool operator==(const PipeObject&, const PipeObject&) = default;

    // Objects are taken from large blocks that the program keeps for reuse: reading a drawing
    // of many thousand objects, or dropping one, costs no page fault or return to the system
    // per object (see PipeObject.cpp).
    static void* operator new(std::size_t size);
    static void operator delete(void* object, std::size_t size) noexcept;
};

}  // namespace tubra::model
