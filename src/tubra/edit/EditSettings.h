#pragma once
// The switches of the editing tools that every open drawing shares: snapping, automatic welds
// and automatic elevation marks. A new drawing view sets them back to their defaults; the
// quick-settings keys and the snap settings dialog change them.

namespace tubra::edit {

struct SnapSettings {
    bool endPoints = true;   // "捕捉端点(d)"
    bool midPoints = true;   // "捕捉中点(z)"
    bool anyPoint = true;    // "捕捉任意位置(r)": any point on a pipe segment
    bool weldsOnly = false;  // "开/关焊缝捕捉(h)": only welds, at their point
    // Half-width of the capture box around a candidate point, device pixels ("捕捉距离").
    int distanceX = 3;
    int distanceY = 3;
    // Half-width of the snap marker, device pixels ("标记大小").
    int markerX = 6;
    int markerY = 6;

    friend bool operator==(const SnapSettings&, const SnapSettings&) = default;
};

struct EditSettings {
    SnapSettings snap;
    bool autoWeld = false;       // "开/关自动添加焊缝(t)"
    bool autoElevation = false;  // "开/关自动标注标高(b)"

    void reset() { *this = EditSettings(); }
    friend bool operator==(const EditSettings&, const EditSettings&) = default;
};

}  // namespace tubra::edit
