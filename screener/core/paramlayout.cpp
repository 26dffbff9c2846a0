#include "paramlayout.h"

namespace quorvex {
namespace {

class Pen {
public:
    Pen(int width, int lineHeight, const MeasureText& measure, ParamLayout* out)
        : width_(width), h_(lineHeight), measure_(measure), out_(out)
    {}

    void newLine()
    {
        x_ = 0;
        y_ += h_ + kLineGap;
    }

    // Draws a run from the pen; what does not fit continues at x 0 below.
    void draw(const std::u16string& run)
    {
        size_t start = 0;
        while (start < run.size()) {
            const size_t fit = fitting(run, start);
            if (fit == 0) {
                // Nothing fits after the pen: a fresh line; a line start
                // always takes at least one character.
                if (x_ > 0) {
                    newLine();
                    continue;
                }
            }
            const size_t n = fit == 0 ? 1 : fit;
            const std::u16string piece = run.substr(start, n);
            out_->pieces.push_back({piece, x_, y_});
            x_ += measure_(piece);
            start += n;
            if (start < run.size())
                newLine();
        }
    }

    void slot()
    {
        if (width_ - x_ < kSlotMinRoom)
            newLine();
        if (out_->boxes.size() < kParamSlots)
            out_->boxes.push_back({x_, y_, kSlotWidth, h_});
        else
            ++out_->ignoredSlots;
        x_ += kSlotWidth;
    }

private:
    // How many characters from `start` fit between the pen and the right
    // edge, broken after a blank when one is inside the fitting part.
    size_t fitting(const std::u16string& run, size_t start) const
    {
        size_t lo = 0, hi = run.size() - start;
        while (lo < hi) {  // largest n with measure(n chars) <= room
            const size_t mid = (lo + hi + 1) / 2;
            if (x_ + measure_(run.substr(start, mid)) <= width_)
                lo = mid;
            else
                hi = mid - 1;
        }
        if (lo < run.size() - start) {
            const size_t blank = run.rfind(u' ', start + lo - (lo > 0 ? 1 : 0));
            if (lo > 0 && blank != std::u16string::npos && blank >= start && blank + 1 > start)
                return blank + 1 - start;
        }
        return lo;
    }

    int width_, h_;
    const MeasureText& measure_;
    ParamLayout* out_;
    int x_ = 0, y_ = 0;
};

}  // namespace

ParamLayout layoutParams(const std::u16string& content, int width, int lineHeight, const MeasureText& measure)
{
    ParamLayout out;
    Pen pen(width, lineHeight, measure, &out);
    std::u16string run;
    bool inSlot = false;
    for (char16_t c : content) {
        if (inSlot) {
            if (c == u'}') {
                pen.slot();
                inSlot = false;
            }
        } else if (c == u'{') {
            pen.draw(run);
            run.clear();
            inSlot = true;
        } else {
            run += c;
        }
    }
    pen.draw(run);
    return out;
}

}  // namespace quorvex
