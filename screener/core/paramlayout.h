// Placement of the parameter panel: the template's content drawn as text runs,
// word-wrapped to the panel's width, with an edit box at each "{}" slot.
#ifndef QUORVEX_PARAMLAYOUT_H
#define QUORVEX_PARAMLAYOUT_H

#include <functional>
#include <string>
#include <vector>

namespace quorvex {

constexpr int kParamSlots = 10;   // edit boxes of the panel
constexpr int kSlotWidth = 50;    // width of one edit box
constexpr int kSlotMinRoom = 60;  // less room than this before the edge: next line
constexpr int kLineGap = 5;       // extra space between lines

struct LayoutRect {
    int x, y, w, h;
};
struct TextPiece {
    std::u16string text;
    int x, y;
};
struct ParamLayout {
    std::vector<TextPiece> pieces;
    std::vector<LayoutRect> boxes;  // the slots' edit boxes in order, at most kParamSlots
    int ignoredSlots = 0;           // slots past the tenth
};

using MeasureText = std::function<int(const std::u16string&)>;

// Text between a slot's braces is its default value and is not drawn.
ParamLayout layoutParams(const std::u16string& content, int width, int lineHeight, const MeasureText& measure);

}  // namespace quorvex

#endif
