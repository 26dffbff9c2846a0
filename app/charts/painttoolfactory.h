// The one list of drawing tools: each tool's file type, the palette's icon
// and label, and how to make it. The palette shows the listed tools in this
// order; a new tool is its file pair and one line of the list.
#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "charts/paintmethods.h"

struct PaintToolInfo {
    const char* type;   // the file's "type" ("PaintSegment"); its class is "C" + type
    const char* icon;   // under qrc:/images/painttools/; "" for a tool the palette does not show
    const char* label;  // the palette's tooltip
    std::unique_ptr<CPaintMethodBase> (*make)();
};

// Every tool, in the palette's order.
const std::vector<PaintToolInfo>& paintTools();
// Makes the tool named by its class ("CPaintSegment") or file type
// ("PaintSegment"); null for an unknown name.
std::unique_ptr<CPaintMethodBase> createPaintTool(const QString& name);
// Whether the name is one of the tools (class or type).
bool isPaintToolName(const QString& name);
