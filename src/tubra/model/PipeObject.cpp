#include "tubra/model/PipeObject.h"

#include "text/CFormat.h"

namespace tubra::model {

PipeObject::PipeObject(const CreationValues& v)
    : MainType(v.MainType),
      SubType(v.SubType),
      StrtDir(v.StrtDir),
      EndDir(v.EndDir),
      Port1(v.Port1),
      Port2(v.Port2),
      Distanc(v.Distanc) {}

void PipeObject::divideByScale(double scale) {
    for (Vec3* p : {&Port1, &Port2, &Port3, &Port4}) {
        p->x /= scale;
        p->y /= scale;
    }
    Distanc /= scale;
}

void PipeObject::applyEndElevationRule(double scale) {
    double length = text::leadingNumber(DistTxt.view());
    if (length == 0.0) length = Distanc / scale;
    switch (directionCode(EndDir)) {
        case 0: Port2.z = Port1.z + length; break;
        case 1: Port2.z = Port1.z - length; break;
        case 6: Port2.z = directionCode(StrtDir) != 2 ? Port1.z + Port3.x : Port1.z; break;
        case 2:
        case 3:
        case 4:
        case 5: Port2.z = Port1.z; break;
        default: break;
    }
}

}  // namespace tubra::model
