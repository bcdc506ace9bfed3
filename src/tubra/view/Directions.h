#pragma once
// Direction codes of the drawing: 0 up, 1 down, 2 east, 3 south, 4 west, 5 north; 6 and 7 the
// slanted segments, which have no code of their own for the way back.

namespace tubra::view {

// The code pointing the other way along the same axis; other codes are returned unchanged.
constexpr int oppositeDirection(int code) {
    switch (code) {
        case 0:
            return 1;
        case 1:
            return 0;
        case 2:
            return 4;
        case 4:
            return 2;
        case 3:
            return 5;
        case 5:
            return 3;
        default:
            return code;
    }
}

}  // namespace tubra::view
