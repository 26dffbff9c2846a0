// A recording stand-in for the library's context calls, for the table and
// board models: every call is logged as text, in order; handles are small
// numbers; dump, parse and the block index answer from settable values.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "models/quoteapi.h"

namespace rec {

inline std::vector<std::string> calls;
inline int nextCtx = 1;
inline int pageFirstNo = 0;
inline int pageStep = 0;  // rows page down and page up move pageFirstNo by
inline std::string dumpText = "{}";
inline std::map<std::string, int64_t> blockIds;  // "code/market" -> id
inline std::map<quote_ctx*, intptr_t> userData;

inline std::string id(quote_ctx* c)
{
    return "c" + std::to_string(reinterpret_cast<intptr_t>(c));
}
inline void log(const std::string& s)
{
    calls.push_back(s);
}
inline std::string entry(const void* e)
{
    const auto* b = static_cast<const unsigned char*>(e);
    return std::string(reinterpret_cast<const char*>(b), strnlen(reinterpret_cast<const char*>(b), 16)) + "/" +
           std::to_string(b[16]);
}

inline const QuoteApi api = {
    [] {
        auto* c = reinterpret_cast<quote_ctx*>(intptr_t(nextCtx++));
        log("create " + id(c));
        return c;
    },
    [](quote_ctx* c) {
        if (c)
            log("release " + id(c));
    },
    [](quote_ctx* c) {
        log("cancel " + id(c));
        return 1;
    },
    [](quote_ctx* c, int t) { log("type " + id(c) + " " + std::to_string(t)); },
    [](quote_ctx* c, uint8_t p) { log("period " + id(c) + " " + std::to_string(p)); },
    [](quote_ctx* c, const void* e, int n) {
        std::string s = "code " + id(c);
        for (int i = 0; i < n; ++i)
            s += " " + entry(static_cast<const unsigned char*>(e) + 17 * i);
        log(s);
    },
    [](quote_ctx* c, uint16_t f, uint16_t n) {
        log("page " + id(c) + " " + std::to_string(f) + " " + std::to_string(n));
    },
    [](quote_ctx* c, int64_t t, int a, int b) {
        log("time " + id(c) + " " + std::to_string(t) + " " + std::to_string(a) + " " + std::to_string(b));
    },
    [](quote_ctx* c, intptr_t u) {
        userData[c] = u;
        log("user " + id(c) + " " + std::to_string(u));
    },
    [](quote_ctx* c) { return userData[c]; },
    [](quote_ctx* c, const uint16_t* ids, int n) {
        std::string s = "fields " + id(c);
        for (int i = 0; i < n; ++i)
            s += " " + std::to_string(ids[i]);
        log(s);
    },
    [](quote_ctx* c, int64_t b) { log("block " + id(c) + " " + std::to_string(b)); },
    [](quote_ctx* c, uint16_t v) { log("category " + id(c) + " " + std::to_string(v)); },
    [](quote_ctx* c, uint16_t f, uint8_t d) {
        log("sort " + id(c) + " " + std::to_string(f) + " " + std::to_string(d));
    },
    [](quote_ctx* c, uint8_t d) { log("direction " + id(c) + " " + std::to_string(d)); },
    [](quote_ctx* c, int o) { log("option " + id(c) + " " + std::to_string(o)); },
    [](quote_ctx* c) {
        log("subscribe " + id(c));
        return 1;
    },
    [](quote_ctx* c) {
        log("request " + id(c));
        return 1;
    },
    [](quote_ctx* c) {
        log("update " + id(c));
        return 1;
    },
    [](quote_ctx* c, int n) {
        log("more " + id(c) + " " + std::to_string(n));
        return 1;
    },
    [](quote_ctx* c) {
        log("pageup " + id(c));
        pageFirstNo -= pageStep;
        return 1;
    },
    [](quote_ctx* c) {
        log("pagedown " + id(c));
        pageFirstNo += pageStep;
        return 1;
    },
    [](quote_ctx*) { return pageFirstNo; },
    [](quote_ctx* c) {
        log("dump " + id(c));
        return dumpText.c_str();
    },
    [](const char* t, int n) -> quote_ctx* {
        const std::string text(t, size_t(n));
        if (text.empty() || text.front() != '{') {
            log("parse refused");
            return nullptr;
        }
        auto* c = reinterpret_cast<quote_ctx*>(intptr_t(nextCtx++));
        log("parse " + id(c) + " " + text);
        return c;
    },
    [](const void* e) {
        auto it = blockIds.find(entry(e));
        return it == blockIds.end() ? int64_t(0) : it->second;
    },
};

class Recorded : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        nextCtx = 1;
        pageFirstNo = 0;
        pageStep = 0;
        dumpText = "{}";
        blockIds.clear();
        userData.clear();
        setQuoteApi(&api);
    }
    void TearDown() override { setQuoteApi(nullptr); }
    static std::vector<std::string> take()
    {
        std::vector<std::string> c;
        c.swap(calls);
        return c;
    }
    static QuoteReply reply(quote_ctx* ctx, const void* data, int count)
    {
        QuoteReply r;
        std::memset(&r, 0, sizeof r);
        r.kind = QUOTE_REPLY_REALTIME;
        r.ctx = ctx;
        r.data = const_cast<void*>(data);
        r.count = count;
        return r;
    }
};

using Calls = std::vector<std::string>;

// A zero record with a code, name and market.
inline QuoteRealTimeMarket record(const char* code, const char* name, int market)
{
    QuoteRealTimeMarket r;
    std::memset(&r, 0, sizeof r);
    std::strncpy(r.code_info.code, code, sizeof r.code_info.code);
    std::strncpy(r.code_info.name, name, sizeof r.code_info.name - 1);
    r.code_info.market = uint8_t(market);
    r.code_info.decimal = 2;
    r.code_info.type = 2;
    return r;
}

}  // namespace rec
