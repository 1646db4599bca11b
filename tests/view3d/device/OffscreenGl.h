#pragma once

#include "view3d/device/OffscreenContext.h"

#include <epoxy/gl.h>

namespace device_test {

// The pixel tests draw in the same offscreen context as the command-line tool.
using OffscreenGl = view3d::OffscreenContext;

} // namespace device_test
