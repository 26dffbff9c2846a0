// The change notes of one chart layer's bars (Qt-free).
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>

// Which bars of a layer changed: each change advances the version and notes
// its first changed bar, so that whoever read the bars at some version can
// ask from which bar they may differ since (0 once that note is gone).
// Versions are drawn from one counter for every layer, so a version read from
// one layer is never taken for a version of another (a layer made anew at the
// address of one gone).
class BarChanges {
public:
    unsigned version() const { return version_; }
    // Bars from bar from on changed (or were added or removed).
    void mark(int from)
    {
        const unsigned before = version_;
        version_ = next();
        notes_.push_back({before, version_, from < 0 ? 0 : from});
        if (notes_.size() > kKept)
            notes_.pop_front();
    }
    // The first bar that may have changed after version seen, size when none
    // did; 0 for version 0 (never read) or a version older than the notes.
    int since(unsigned seen, int size) const
    {
        if (seen == version_)
            return size;
        if (seen == 0 || seen > version_ || notes_.empty() || seen < notes_.front().before)
            return 0;
        int from = size;
        for (const Note& n : notes_)
            if (n.version > seen && n.from < from)
                from = n.from;
        return from;
    }

private:
    struct Note {
        unsigned before, version;
        int from;
    };
    static unsigned next()
    {
        static std::atomic<unsigned> counter{0};
        return ++counter;
    }
    static constexpr std::size_t kKept = 32;
    unsigned version_ = next();
    std::deque<Note> notes_;
};
