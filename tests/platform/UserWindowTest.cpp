// Windows: classes, creation and destruction sequences, the window record, geometry, hierarchy,
// text, enabling, focus, capture and activation.
#include <gtest/gtest.h>

#include "tests/platform/UserTestSupport.h"

using namespace usertest;

namespace {

}  // namespace
