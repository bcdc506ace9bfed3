// Placeholder, filled below.
#include <gtest/gtest.h>
