// Compiled as a source of the layer named by LAYER_PROBE_LIBRARY, which must not see the
// header it includes: the build of this file is expected to fail.
#include "base/handles.h"
#include UPWARD_HEADER
