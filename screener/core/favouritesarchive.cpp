#include "favouritesarchive.h"

namespace quorvex {
namespace {

class Writer {
public:
    void u8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void u16(uint16_t v)
    {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v)
    {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void length(uint64_t n)
    {
        if (n < 0xFF) {
            u8(static_cast<uint8_t>(n));
        } else if (n < 0xFFFE) {
            u8(0xFF);
            u16(static_cast<uint16_t>(n));
        } else {
            u8(0xFF);
            u16(0xFFFF);
            u32(static_cast<uint32_t>(n));
        }
    }
    void narrow(const std::string& s)
    {
        length(s.size());
        out_.append(s);
    }
    void wide(const std::u16string& s)
    {
        u8(0xFF);
        u16(0xFFFE);
        length(s.size());
        for (char16_t c : s)
            u16(c);
    }
    std::string& out() { return out_; }

private:
    std::string out_;
};

class Reader {
public:
    Reader(const char* p, size_t n) : p_(reinterpret_cast<const unsigned char*>(p)), left_(n) {}

    bool u8(uint8_t* v)
    {
        if (left_ < 1)
            return false;
        *v = *p_++;
        --left_;
        return true;
    }
    bool u16(uint16_t* v)
    {
        if (left_ < 2)
            return false;
        *v = static_cast<uint16_t>(p_[0] | p_[1] << 8);
        p_ += 2;
        left_ -= 2;
        return true;
    }
    bool u32(uint32_t* v)
    {
        if (left_ < 4)
            return false;
        *v = static_cast<uint32_t>(p_[0]) | static_cast<uint32_t>(p_[1]) << 8 | static_cast<uint32_t>(p_[2]) << 16 |
             static_cast<uint32_t>(p_[3]) << 24;
        p_ += 4;
        left_ -= 4;
        return true;
    }
    bool i32(int32_t* v)
    {
        uint32_t u;
        if (!u32(&u))
            return false;
        *v = static_cast<int32_t>(u);
        return true;
    }
    // A length prefix; *wide tells whether the unicode marker came first.
    bool length(uint32_t* n, bool* wide)
    {
        *wide = false;
        uint8_t b;
        if (!u8(&b))
            return false;
        if (b < 0xFF) {
            *n = b;
            return true;
        }
        uint16_t w;
        if (!u16(&w))
            return false;
        if (w == 0xFFFE) {
            bool again;
            if (!length(n, &again) || again)
                return false;
            *wide = true;
            return true;
        }
        if (w < 0xFFFF) {
            *n = w;
            return true;
        }
        return u32(n);
    }
    bool narrow(std::string* s)
    {
        uint32_t n;
        bool wide;
        if (!length(&n, &wide) || wide || n > left_)
            return false;
        s->assign(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        left_ -= n;
        return true;
    }
    bool wide(std::u16string* s)
    {
        uint32_t n;
        bool wide;
        if (!length(&n, &wide))
            return false;
        // A text stored without the marker holds bytes, one unit each.
        const uint64_t bytes = wide ? uint64_t{n} * 2 : n;
        if (bytes > left_)
            return false;
        s->resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            (*s)[i] = wide ? static_cast<char16_t>(p_[0] | p_[1] << 8) : static_cast<char16_t>(p_[0]);
            p_ += wide ? 2 : 1;
        }
        left_ -= bytes;
        return true;
    }
    // A count read from the file, checked against what is left: every
    // counted record takes at least `least` bytes.
    bool count(uint32_t* n, size_t least) { return u32(n) && uint64_t{*n} * least <= left_; }

private:
    const unsigned char* p_;
    size_t left_;
};

bool readCondition(Reader& r, ArchivedCondition* c)
{
    uint32_t values;
    if (!r.narrow(&c->fmlName) || !r.i32(&c->period) || !r.i32(&c->fmlType) || !r.narrow(&c->fmlParams) ||
        !r.count(&values, 1))
        return false;
    c->values.resize(values);
    for (std::u16string& v : c->values) {
        if (!r.wide(&v))
            return false;
    }
    return true;
}

}  // namespace

std::string writeFavourites(const std::vector<ArchivedFavourite>& favourites)
{
    Writer w;
    w.u32(static_cast<uint32_t>(favourites.size()));
    for (const ArchivedFavourite& f : favourites) {
        w.wide(f.name);
        w.u32(static_cast<uint32_t>(f.conditions.size()));
        for (const ArchivedCondition& c : f.conditions) {
            w.narrow(c.fmlName);
            w.u32(static_cast<uint32_t>(c.period));
            w.u32(static_cast<uint32_t>(c.fmlType));
            w.narrow(c.fmlParams);
            w.u32(static_cast<uint32_t>(c.values.size()));
            for (const std::u16string& v : c.values)
                w.wide(v);
        }
    }
    return std::move(w.out());
}

bool readFavourites(const char* data, size_t size, std::vector<ArchivedFavourite>* out)
{
    out->clear();
    Reader r(data, size);
    uint32_t n;
    // A favourite takes at least a one-byte name and a four-byte count.
    if (!r.count(&n, 5))
        return size == 0;
    out->reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        ArchivedFavourite f;
        uint32_t conditions;
        if (!r.wide(&f.name) || !r.count(&conditions, 14))
            return false;
        f.conditions.resize(conditions);
        for (ArchivedCondition& c : f.conditions) {
            if (!readCondition(r, &c))
                return false;
        }
        out->push_back(std::move(f));
    }
    return true;
}

}  // namespace quorvex
