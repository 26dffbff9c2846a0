// OffsetPageControl: pages a ranked list by row offset against the total that
// the last list reply reported. Going back from the first page wraps to the
// last full page; a page count of 0 (or a total of 0) pages nowhere.
#ifndef PELMAR_OFFSETPAGECONTROL_H
#define PELMAR_OFFSETPAGECONTROL_H

#include <atomic>
#include <cstdint>
#include <memory>

#include "ipagecontrol.h"

class OffsetPageControl : public IPageControl {
public:
    // `total` reads the context's current total.
    explicit OffsetPageControl(std::weak_ptr<Context> context) : context_(std::move(context)) {}

    bool previous(ContextPage& page) override;
    bool next(ContextPage& page) override;

    // The rules themselves, on a given total.
    static bool previous(ContextPage& page, int32_t total);
    static bool next(ContextPage& page, int32_t total);

private:
    int32_t total() const;
    std::weak_ptr<Context> context_;
};

#endif
