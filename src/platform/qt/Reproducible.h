#pragma once
// A Qt program's part of the one clock (platform/Clock.h): while SOURCE_DATE_EPOCH pins it, the
// same input must give the same bytes, so Qt's hashes (which order a PDF's fonts) take a fixed
// seed and Qt's own dates (a PDF's) are written in UTC. Called before the application object.

#include <QHashSeed>

#include "platform/Clock.h"

namespace platform::qt {

inline void followPinnedClock() {
    if (!platform::pinnedTime()) return;
    QHashSeed::setDeterministicGlobalSeed();
    platform::followPinnedClock();
}

}  // namespace platform::qt
