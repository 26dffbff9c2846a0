// The change notes of one chart layer's bars (Qt-free).
#pragma once

#include <cstddef>
#include <deque>

// Which bars of a layer changed: each change advances the version and notes
// its first changed bar, so that whoever read the bars at some version can
// ask from which bar they may differ since (0 once that note is gone).
class BarChanges {
public:
    unsigned version() const { return version_; }
    // Bars from bar from on changed (or were added or removed).
    void mark(int from)
    {
        ++version_;
        notes_.push_back({version_, from < 0 ? 0 : from});
        if (notes_.size() > kKept)
            notes_.pop_front();
    }
    // The first bar that may have changed after version seen, size when none
    // did; 0 for version 0 (never read) or a version older than the notes.
    int since(unsigned seen, int size) const
    {
        if (seen == version_)
            return size;
        if (seen == 0 || seen > version_ || notes_.empty() || seen + 1 < notes_.front().version)
            return 0;
        int from = size;
        for (const Note& n : notes_)
            if (n.version > seen && n.from < from)
                from = n.from;
        return from;
    }

private:
    struct Note {
        unsigned version;
        int from;
    };
    static constexpr std::size_t kKept = 32;
    unsigned version_ = 1;
    std::deque<Note> notes_;
};
