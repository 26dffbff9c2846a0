#include "offsetpagecontrol.h"

int32_t OffsetPageControl::total() const
{
    auto ctx = context_.lock();
    return ctx ? ctx->total() : 0;
}

bool OffsetPageControl::previous(ContextPage& page)
{
    return previous(page, total());
}
bool OffsetPageControl::next(ContextPage& page)
{
    return next(page, total());
}

bool OffsetPageControl::next(ContextPage& page, int32_t total)
{
    const int32_t count = page.count;
    if (total <= 0 || count <= 0 || count >= total)
        return false;
    // Signed throughout: a first row before 0 moves forward from there.
    int32_t first = page.first;
    first += count;
    if (first >= total || first > INT16_MAX)
        first = 0;
    page.first = static_cast<int16_t>(first);
    return true;
}

bool OffsetPageControl::previous(ContextPage& page, int32_t total)
{
    const int32_t count = page.count;
    if (total <= 0 || count <= 0 || count >= total)
        return false;
    const int32_t first = page.first;
    int32_t result;
    if (first == 0) {
        // Wrap to the last full page: the page that starts at a multiple of
        // count and still holds rows (total 100, count 20 -> 80; 95 -> 80).
        result = count * ((total - 1) / count);
        // The page's first row must fit its 16 bits.
        if (result > INT16_MAX)
            result = count * (INT16_MAX / count);
    } else if (first < count) {
        result = 0;
    } else {
        result = first - count;
    }
    page.first = static_cast<int16_t>(result);
    return true;
}
