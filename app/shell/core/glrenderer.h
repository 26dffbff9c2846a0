// Whether an OpenGL renderer string names a rasteriser that runs on the CPU.
// There every frame of Qt Quick's OpenGL renderer redraws and copies the whole
// window; its software renderer redraws only what changed, at a fraction of
// the cost.
#pragma once

namespace shellcore {

// True for the CPU rasterisers of Mesa (llvmpipe, softpipe, the classic
// software rasteriser, SWR) and of Windows (GDI Generic, Microsoft Basic
// Render Driver, also behind ANGLE); false for a null or empty text.
bool isSoftwareRasterizer(const char* renderer);

}  // namespace shellcore
