// Renderer strings as OpenGL drivers report them: the CPU rasterisers are
// told apart from hardware, whatever the case and the text around the name.
#include <gtest/gtest.h>

#include "shell/core/glrenderer.h"

TEST(GlRenderer, SoftwareRasterizersAmongRendererStrings)
{
    struct Row {
        const char* renderer;
        bool software;
    };
    const Row rows[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"Gallium 0.4 on llvmpipe (LLVM 3.4, 128 bits)", true},
        {"softpipe", true},
        {"Software Rasterizer", true},
        {"Mesa X11 software rasterizer", true},
        {"SWR (LLVM 10.0.0, 256 bits)", true},
        {"GDI Generic", true},
        {"ANGLE (Microsoft Basic Render Driver Direct3D11 vs_5_0 ps_5_0)", true},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49)", false},
        {"NVIDIA GeForce GTX 1060/PCIe/SSE2", false},
        {"virgl", false},
        {"SWRX 9000", false},
        {"", false},
        {nullptr, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.software, shellcore::isSoftwareRasterizer(r.renderer))
            << "renderer \"" << (r.renderer ? r.renderer : "(null)") << "\"";
}
