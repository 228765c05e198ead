// What the current process holds, for tests that repeat an action and expect nothing
// to be left behind. Wine answers GetGuiResources and GetProcessHandleCount with 0, so
// the counts come from what Wine does keep:
//   kernel handles - the system's handle list (registry keys are kernel handles too);
//   GDI objects    - the process's GDI handle table, which Wine publishes to 64-bit
//                    processes only (-1 in a 32-bit one);
//   windows        - the windows of this thread, every level of children included.
#pragma once

struct ResourceCounts {
    int kernelHandles = -1;
    int gdiObjects = -1;
    int windows = -1;
};

ResourceCounts CountResources();
