/*
 * Pelmar: the market-data client. One logged-in session to the quote server,
 * request contexts that pick a numbered command from their settings, and the
 * symbol, block, margin and rating tables.
 *
 * Every function is a plain C export: the quote_* family and
 * __quote_version_check. Objects cross as opaque pointers (the quote_ctx
 * handle, symbol records, block records). Bool results are ints holding 1 or 0.
 *
 * quote_engine_run blocks its caller's thread, which becomes the engine thread:
 * every reply is parsed there and handed to the result callback one at a time.
 * A QuoteReply and its payload belong to the library and are valid only during
 * the callback; copy what you keep.
 */
#ifndef QUOTE_H
#define QUOTE_H

#include <stddef.h>
#include <stdint.h>

#if defined(QUOTE_BUILD)
#define QUOTE_API __attribute__((visibility("default")))
#else
#define QUOTE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records that cross ---- */

/* A request context (opaque). */
typedef struct quote_ctx quote_ctx;

/* Reply kinds (QuoteReply.kind). */
#define QUOTE_REPLY_ERROR 0         /* data: QuoteErrorInfo */
#define QUOTE_REPLY_SERVER 1        /* data: QuoteServerState (connection state) */
#define QUOTE_REPLY_CODE_TABLE 2    /* data: QuoteCodeInfo[count] */
#define QUOTE_REPLY_REALTIME 3      /* data: QuoteRealTimeMarket[count] */
#define QUOTE_REPLY_MINUTE 4        /* minute series */
#define QUOTE_REPLY_KLINE 5         /* K-line series */
#define QUOTE_REPLY_DETAIL 6        /* tick detail */
#define QUOTE_REPLY_DIVIDEND 7      /* dividend records */
#define QUOTE_REPLY_SMART_TIP 9     /* smart stock tips */
#define QUOTE_REPLY_PRICE_VOLUME 10 /* volume by price level */
#define QUOTE_REPLY_RECEIVER 11     /* records pushed by the outside receiver */
#define QUOTE_REPLY_MARKET_STATE 12 /* data: QuoteMarketState[count] */

/* Every reply as the result callback receives it. */
typedef struct QuoteReply {
    uint16_t header_word; /* push word of the answer; 0 for replies the library makes itself */
    uint16_t kind;        /* QUOTE_REPLY_* */
    quote_ctx* ctx;       /* the context that asked; NULL for the engine's own */
    int32_t count;        /* number of items at data (meaning per kind) */
    void* data;           /* the kind's payload */
} QuoteReply;

/* Error codes of replies the library turns into errors itself (the server's
 * own codes are int8 values, -128..127). */
#define QUOTE_ERROR_BAD_REPLY (-1000) /* truncated or malformed answer */

/* Kind 0: the server answered with an error, or the answer could not be read.
 * text is never NULL and always terminated (possibly empty). */
typedef struct QuoteErrorInfo {
    const char* text;
    int32_t code;
} QuoteErrorInfo;

/* Kind 1: connection state change. server is the configuration's server entry
 * {url, name, type, receiver_url}; state 1 = logged in, 0 = not connected. */
typedef struct QuoteServerState {
    const char* const* server;
    int32_t state;
} QuoteServerState;

/* Kind 12: one market of the server-state table. */
typedef struct QuoteMarketState {
    uint8_t market;
    int64_t date; /* seconds, local time */
    uint8_t state;
} QuoteMarketState;

/* The identity of a code (90 bytes, no padding). Texts are NUL-terminated
 * within their arrays when shorter. */
typedef struct QuoteCodeInfo {
    char code[16];
    char name[64];
    char pinyin[7];
    uint8_t market;  /* 1 Shanghai, 2 Shenzhen */
    uint8_t decimal; /* decimal places of prices */
    uint8_t type;    /* security type */
} QuoteCodeInfo;

/* The block names of a symbol: the names of its blocks in the industry (index
 * group 1012), region (1010) and concept (1016) groups of the block file.
 * Never NULL; empty when the symbol is in no block of the group. The texts
 * stay valid as long as the symbol record. */
typedef struct QuoteSymbolNames {
    const char* industry_name;
    const char* region_name;
    const char* concept_name;
} QuoteSymbolNames;

/* One real-time row (kind 3, symbol records, receiver pushes). */
typedef struct QuoteRealTimeMarket {
    QuoteCodeInfo code_info;
    int64_t timestamp; /* seconds of the quote's local date and time */
    float pre_close, open, high, low, close;
    int64_t vol, cur_vol;
    double sum; /* amount */
    int64_t red_vol, green_vol;
    float vol_rate, swap, amplitude, rf_value, rf_rate, committee;
    int64_t committee_diff;
    float avg_price;
    int64_t d5_avg_vol;
    float speed, rise_limit, fall_limit;
    float buy_price[5], sell_price[5]; /* level 1 first */
    int64_t buy_vol[5], sell_vol[5];
    float pe;
    double eps;
    int64_t float_shares, total_shares;
    double ps_net_asset;
    int16_t rise_count, flat_count, fall_count, all_count;
    int64_t block_id;
    float m5_rf_rate;
    float settle_price, pre_settle_price;
    int64_t open_interest, pre_open_interest;
    int64_t total_buy, total_sell;
    void* symbol; /* link into the symbol record of the same code, or NULL; it
                     points at the record's QuoteSymbolNames */
} QuoteRealTimeMarket;

/* Engine configuration. server points at four texts {url, name, type,
 * receiver_url}; the URL carries the query keys auto_delay (reconnect delay in
 * milliseconds, default 1000; 0 never reconnects) and encrypt_key (the login's
 * session key). Kept by pointer while the engine runs. */
#define QUOTE_FLAG_NO_CODE_TABLE 1 /* do not request the code table at start */
#define QUOTE_FLAG_RECEIVER 2      /* give the outside real-time receiver its host */

typedef struct quote_engine_config {
    intptr_t user_value;  /* handed back as the callback's first argument */
    const char* reserved; /* not read */
    const char* const* server;
    int32_t flags; /* QUOTE_FLAG_* */
} quote_engine_config;

typedef void (*quote_engine_callback)(intptr_t user_value, const QuoteReply* reply);

/* ---- Contexts and command payloads ---- */

/* Context types (quote_ctx_set_type): what a request asks for. */
#define QUOTE_TYPE_MARKET 0       /* market data, the command chosen by the period */
#define QUOTE_TYPE_DIVIDEND 1     /* dividend records of the first code (0x37) */
#define QUOTE_TYPE_CODE_TABLE 2   /* the code table (0x05) */
#define QUOTE_TYPE_TIPS 3         /* smart stock tips: by block (0x3F) or by code (0x48) */
#define QUOTE_TYPE_PRICE_VOLUME 4 /* traded volume per price level of one code (0x3C) */
#define QUOTE_TYPE_SERVER 5       /* server state (0x03) */

/* Periods (quote_ctx_set_peroid) of a QUOTE_TYPE_MARKET context. 33 to 41 are
 * K-line cycles, served from one bar cache per context. */
#define QUOTE_PERIOD_REALTIME 30 /* real-time list: codes (0x20), a block (0x28) or a category (0x2A) */
#define QUOTE_PERIOD_DETAIL 31   /* tick-by-tick details of one code (0x26) */
#define QUOTE_PERIOD_MINUTE 32   /* minute series: by index (0x24) or, with a time, by date (0x27) */
#define QUOTE_PERIOD_KLINE_DAY 33
#define QUOTE_PERIOD_KLINE_MIN1 34
#define QUOTE_PERIOD_KLINE_MIN5 35
#define QUOTE_PERIOD_KLINE_MIN15 36
#define QUOTE_PERIOD_KLINE_MIN30 37
#define QUOTE_PERIOD_KLINE_MIN60 38
#define QUOTE_PERIOD_KLINE_WEEK 39
#define QUOTE_PERIOD_KLINE_MONTH 40
#define QUOTE_PERIOD_KLINE_LAST 41 /* the highest K-line period the library accepts */

/* Option bits (quote_ctx_set_option). The same bit means one thing for K-lines
 * and another for real-time lists; the names say which. */
#define QUOTE_OPTION_KLINE_NO_ADJUST 1 /* K-lines: bars as traded (wins over 2 and 4) */
#define QUOTE_OPTION_KLINE_FORWARD 2   /* K-lines: forward-adjusted for dividends */
#define QUOTE_OPTION_KLINE_BACKWARD 4  /* K-lines: backward-adjusted for dividends */
#define QUOTE_OPTION_LIST_INDEXES \
    2                              /* code list (0x20): replace the codes by the index
                                          symbols of the first code's blocks */
#define QUOTE_OPTION_LIST_SORT 4   /* lists: sort the rows here by the context's sort field */
#define QUOTE_OPTION_LIST_WINDOW 8 /* code list (0x20): deliver only the page window */

/* Market-field ids (quote_ctx_set_market_field, quote_ctx_set_sort), as the
 * server numbers them, and the QuoteRealTimeMarket fields they fill. */
#define QUOTE_FIELD_IDENTITY 0 /* code, name, decimal, market, type */
#define QUOTE_FIELD_CODE 1     /* code, market */
#define QUOTE_FIELD_DATE 2     /* timestamp: the local date */
#define QUOTE_FIELD_TIME 3     /* timestamp: the local time */
#define QUOTE_FIELD_PRE_CLOSE 4
#define QUOTE_FIELD_OPEN 5
#define QUOTE_FIELD_HIGH 6
#define QUOTE_FIELD_LOW 7
#define QUOTE_FIELD_CLOSE 8
#define QUOTE_FIELD_VOLUME 9      /* vol */
#define QUOTE_FIELD_CUR_VOLUME 10 /* cur_vol */
#define QUOTE_FIELD_AMOUNT 11     /* sum */
#define QUOTE_FIELD_BOOK_FIRST 12 /* 12..31: per level 1..5 sell price, buy price, sell vol, buy vol */
#define QUOTE_FIELD_BOOK_LAST 31
#define QUOTE_FIELD_RED_VOLUME 32   /* red_vol: the outer volume */
#define QUOTE_FIELD_VOLUME_RATIO 33 /* vol_rate */
#define QUOTE_FIELD_RISE_RATE 34    /* rf_rate */
#define QUOTE_FIELD_RISE_VALUE 35   /* rf_value */
#define QUOTE_FIELD_RATE_5MIN 36    /* m5_rf_rate */
#define QUOTE_FIELD_SWAP 37         /* swap: turnover */
#define QUOTE_FIELD_ORDER_RATIO 38  /* committee */
#define QUOTE_FIELD_ORDER_DIFF 39   /* committee_diff */
#define QUOTE_FIELD_PE 40
#define QUOTE_FIELD_AMPLITUDE 41
#define QUOTE_FIELD_AVG_PRICE 42
#define QUOTE_FIELD_D5_AVG_VOLUME 43
#define QUOTE_FIELD_RISE_LIMIT 44
#define QUOTE_FIELD_FALL_LIMIT 45
#define QUOTE_FIELD_GREEN_VOLUME 46 /* green_vol: the inner volume */
#define QUOTE_FIELD_TOTAL_BUY 49
#define QUOTE_FIELD_TOTAL_SELL 50
#define QUOTE_FIELD_SPEED 58
#define QUOTE_FIELD_TOTAL_SHARES 306
#define QUOTE_FIELD_NET_ASSET_PS 348 /* ps_net_asset */
#define QUOTE_FIELD_EPS 350
#define QUOTE_FIELD_FLOAT_SHARES 351
#define QUOTE_FIELD_RISE_COUNT 1001
#define QUOTE_FIELD_FLAT_COUNT 1002
#define QUOTE_FIELD_FALL_COUNT 1003
#define QUOTE_FIELD_BLOCK_ID 1015
#define QUOTE_FIELD_ALL_COUNT 1016

/* Sort directions (quote_ctx_set_sort, quote_ctx_set_direction). */
#define QUOTE_SORT_DESCENDING 0 /* the larger value first */
#define QUOTE_SORT_ASCENDING 1
#define QUOTE_SORT_NONE 2 /* the answer's order; a new context's direction */

/* Kind 4: one point of a minute series. */
typedef struct QuoteMinPoint {
    int64_t time; /* seconds, local time */
    float price;  /* 0 on the wire is replaced by the reference price */
    float avg_price;
    int64_t volume; /* point option 3 */
    int64_t amount; /* point option 2 */
    int16_t value;  /* point option 7 */
} QuoteMinPoint;

/* The trading-day axis of a minute series: `points` points and `count`
 * boundaries {point index, boundary number, seconds after 00:00 UTC}. */
typedef struct QuoteMinAxisBoundary {
    int32_t index;
    int32_t number;
    int64_t seconds;
} QuoteMinAxisBoundary;

typedef struct QuoteMinAxis {
    int32_t points;
    int32_t count;
    QuoteMinAxisBoundary bounds[4];
} QuoteMinAxis;

/* Kind 4 payload. */
typedef struct QuoteMinPoints {
    float price;    /* reference price */
    int64_t value1; /* the series' two int64 values, as received */
    int64_t value2;
    int16_t value3; /* the series' int16 value (0x24 only) */
    int32_t count;
    QuoteMinPoint* points;
    QuoteCodeInfo code_info;
    const QuoteMinAxis* axis;
} QuoteMinPoints;

/* Kind 5: one K-line bar (56 bytes). */
typedef struct QuoteKPoint {
    int64_t time;                 /* seconds */
    float high, open, low, close; /* the prices dividend adjustment changes */
    float extra;                  /* a further price of the bar */
    int32_t reserved1;
    int64_t volume;
    int64_t amount;
    float prev_close; /* close of the bar before it in the same reply */
    int32_t reserved2;
} QuoteKPoint;

/* Kind 5 payload. */
typedef struct QuoteKPoints {
    uint8_t period;
    int32_t count;
    QuoteKPoint* points;
    QuoteCodeInfo code_info;
} QuoteKPoints;

/* Kind 6: one tick of the detail list. */
typedef struct QuoteDetailPoint {
    int64_t time; /* seconds */
    float price;
    int64_t volume;
    int32_t value; /* as received */
    int8_t flag;   /* as received */
} QuoteDetailPoint;

/* Kind 6 payload. */
typedef struct QuoteDetailPoints {
    float price; /* reference price */
    int32_t count;
    QuoteDetailPoint* entries;
    QuoteCodeInfo code_info;
    int32_t total; /* entries the server holds for the day */
} QuoteDetailPoints;

/* Kind 7: one dividend or rights event with its adjustment factors. */
typedef struct QuoteDividend {
    int64_t time;        /* event date, seconds */
    double bonus_ratio;  /* bonus and transferred shares per share */
    double rights_ratio; /* rights shares per share */
    double rights_price;
    double cash_dividend; /* cash per share */
    double forward_factor, forward_sum;
    double backward_factor, backward_sum;
} QuoteDividend;

/* Kind 7 payload; events newest first. */
typedef struct QuoteDividendPoints {
    int32_t count;
    QuoteDividend* events;
    QuoteCodeInfo code_info;
} QuoteDividendPoints;

/* Kind 9: one smart tip. */
typedef struct QuoteSmartTip {
    QuoteCodeInfo code_info;
    int64_t time;          /* seconds */
    const char* kind_text; /* display text of the kind; NULL for an unknown kind */
    char text[20];         /* the tip's own text, terminated */
    uint8_t kind;
    uint8_t kind_class; /* 1 rise, 2 fall, 3 institution buy, 4 institution sell; 0 unknown */
} QuoteSmartTip;

/* Kind 10: one price level. */
typedef struct QuotePriceLevel {
    float price;
    float volume_share; /* volume / total volume; 0 when the total is 0 */
    float second_share; /* second volume / total volume; 0 when the total is 0 */
    int64_t volume;
    int64_t second_volume;
} QuotePriceLevel;

/* Kind 10 payload. */
typedef struct QuotePriceDistribution {
    float price; /* reference price */
    int64_t total_volume;
    int64_t max_volume; /* largest level volume of this answer */
    int32_t count;
    QuotePriceLevel* levels;
    QuoteCodeInfo code_info;
} QuotePriceDistribution;

/* ---- Exported functions ---- */

/* 1 when major is 1 and minor is 19 or below, else 0; patch is not read. */
QUOTE_API int __quote_version_check(int major, int minor, int patch);

/* Blocks (sectors defined by code rules). The functions without a suffix take
 * a QuoteCodeInfo, those ending in 1 a 17-byte code entry (16 bytes of code
 * text, market byte last). */
QUOTE_API int64_t quote_block_index_block_id(const QuoteCodeInfo* code);
QUOTE_API int64_t quote_block_index_block_id1(const void* entry17);
QUOTE_API int quote_block_list_by_code(const QuoteCodeInfo* code, void*** blocks);
QUOTE_API int quote_block_list_by_code1(const void* entry17, void*** blocks);
QUOTE_API int quote_block_load(const char* json, int length);
QUOTE_API void** quote_block_symbol_list(int64_t block_id, int* n);

/* Adds n 90-byte code records to the symbol table; existing entries stay. */
QUOTE_API void quote_code_load(const QuoteCodeInfo* records, unsigned n);

/* Request contexts. Every function but create and parse needs a live handle;
 * quote_ctx_release(NULL) does nothing. */
QUOTE_API int quote_ctx_cancel(quote_ctx* ctx);
QUOTE_API quote_ctx* quote_ctx_create(void);
QUOTE_API const char* quote_ctx_dump(quote_ctx* ctx);
QUOTE_API int quote_ctx_get_page_first_no(quote_ctx* ctx);
QUOTE_API intptr_t quote_ctx_get_user_data(quote_ctx* ctx);
QUOTE_API int quote_ctx_load_more(quote_ctx* ctx, int count);
QUOTE_API int quote_ctx_page_down(quote_ctx* ctx);
QUOTE_API int quote_ctx_page_up(quote_ctx* ctx);
QUOTE_API quote_ctx* quote_ctx_parse(const char* text, int length);
QUOTE_API void quote_ctx_release(quote_ctx* ctx);
QUOTE_API int quote_ctx_request(quote_ctx* ctx);
QUOTE_API void quote_ctx_set_block(quote_ctx* ctx, int64_t block_id);
QUOTE_API void quote_ctx_set_category(quote_ctx* ctx, uint16_t category);
QUOTE_API void quote_ctx_set_code(quote_ctx* ctx, const void* entries17, int n);
QUOTE_API void quote_ctx_set_code1(quote_ctx* ctx, const QuoteCodeInfo* records, int n);
QUOTE_API void quote_ctx_set_direction(quote_ctx* ctx, uint8_t direction);
QUOTE_API void quote_ctx_set_market_field(quote_ctx* ctx, const uint16_t* ids, int n);
QUOTE_API void quote_ctx_set_option(quote_ctx* ctx, int bits);
QUOTE_API void quote_ctx_set_page(quote_ctx* ctx, uint16_t first, uint16_t count);
QUOTE_API void quote_ctx_set_peroid(quote_ctx* ctx, uint8_t period);
QUOTE_API void quote_ctx_set_sort(quote_ctx* ctx, uint16_t field, uint8_t direction);
/* end = ((int64_t)b << 32) | (uint32_t)a */
QUOTE_API void quote_ctx_set_time(quote_ctx* ctx, int64_t time, int a, int b);
QUOTE_API void quote_ctx_set_type(quote_ctx* ctx, int type);
QUOTE_API void quote_ctx_set_user_data(quote_ctx* ctx, intptr_t user_data);
QUOTE_API int quote_ctx_subscribe(quote_ctx* ctx);
QUOTE_API int quote_ctx_update(quote_ctx* ctx);

/* Runs the engine on the calling thread until quote_engine_shutdown; returns 1
 * then. Returns 0 at once when the engine already runs or was shut down, or
 * when the server URL, its port or its auto_delay is not valid (after a kind-1
 * reply with state 0). */
QUOTE_API int quote_engine_run(const quote_engine_config* config, quote_engine_callback callback);
/* Stops the engine; any thread, any number of times. */
QUOTE_API void quote_engine_shutdown(void);

QUOTE_API int quote_margin_is(const char* code, int type);
QUOTE_API int quote_margin_load(const char* text, int length);
QUOTE_API int quote_rating_load(const char* json, int length);

/* Symbol records: valid until the library is unloaded. */
QUOTE_API void** quote_symbol_block_list(const void* symbol, int* n);
QUOTE_API const QuoteCodeInfo* quote_symbol_code_info(const void* symbol);
QUOTE_API const void* quote_symbol_find(const char* code, int market);
QUOTE_API const QuoteRealTimeMarket* quote_symbol_realtime(const void* symbol);

#ifdef __cplusplus
}

static_assert(sizeof(QuoteCodeInfo) == 90, "QuoteCodeInfo is 90 bytes");
static_assert(offsetof(QuoteCodeInfo, code) == 0, "code at 0");
static_assert(offsetof(QuoteCodeInfo, name) == 16, "name at 16");
static_assert(offsetof(QuoteCodeInfo, pinyin) == 80, "pinyin at 80");
static_assert(offsetof(QuoteCodeInfo, market) == 87, "market at 87");
static_assert(offsetof(QuoteCodeInfo, decimal) == 88, "decimal at 88");
static_assert(offsetof(QuoteCodeInfo, type) == 89, "type at 89");

static_assert(offsetof(QuoteMarketState, date) == 8 && offsetof(QuoteMarketState, state) == 16 &&
                  sizeof(QuoteMarketState) == 24,
              "QuoteMarketState layout");

static_assert(offsetof(QuoteRealTimeMarket, timestamp) == 96, "timestamp");
static_assert(offsetof(QuoteRealTimeMarket, pre_close) == 104, "pre_close");
static_assert(offsetof(QuoteRealTimeMarket, vol) == 128, "vol");
static_assert(offsetof(QuoteRealTimeMarket, sum) == 144, "sum");
static_assert(offsetof(QuoteRealTimeMarket, red_vol) == 152, "red_vol");
static_assert(offsetof(QuoteRealTimeMarket, vol_rate) == 168, "vol_rate");
static_assert(offsetof(QuoteRealTimeMarket, committee_diff) == 192, "committee_diff");
static_assert(offsetof(QuoteRealTimeMarket, avg_price) == 200, "avg_price");
static_assert(offsetof(QuoteRealTimeMarket, d5_avg_vol) == 208, "d5_avg_vol");
static_assert(offsetof(QuoteRealTimeMarket, speed) == 216, "speed");
static_assert(offsetof(QuoteRealTimeMarket, buy_price) == 228, "buy_price");
static_assert(offsetof(QuoteRealTimeMarket, sell_price) == 248, "sell_price");
static_assert(offsetof(QuoteRealTimeMarket, buy_vol) == 272, "buy_vol");
static_assert(offsetof(QuoteRealTimeMarket, sell_vol) == 312, "sell_vol");
static_assert(offsetof(QuoteRealTimeMarket, pe) == 352, "pe");
static_assert(offsetof(QuoteRealTimeMarket, eps) == 360, "eps");
static_assert(offsetof(QuoteRealTimeMarket, float_shares) == 368, "float_shares");
static_assert(offsetof(QuoteRealTimeMarket, ps_net_asset) == 384, "ps_net_asset");
static_assert(offsetof(QuoteRealTimeMarket, rise_count) == 392, "rise_count");
static_assert(offsetof(QuoteRealTimeMarket, block_id) == 400, "block_id");
static_assert(offsetof(QuoteRealTimeMarket, m5_rf_rate) == 408, "m5_rf_rate");
static_assert(offsetof(QuoteRealTimeMarket, settle_price) == 412, "settle_price");
static_assert(offsetof(QuoteRealTimeMarket, open_interest) == 424, "open_interest");
static_assert(offsetof(QuoteRealTimeMarket, total_buy) == 440, "total_buy");
static_assert(offsetof(QuoteRealTimeMarket, symbol) == 456 && sizeof(QuoteRealTimeMarket) == 464,
              "QuoteRealTimeMarket layout");

static_assert(offsetof(QuoteSymbolNames, industry_name) == 0 &&
                  offsetof(QuoteSymbolNames, region_name) == sizeof(void*) &&
                  offsetof(QuoteSymbolNames, concept_name) == 2 * sizeof(void*) &&
                  sizeof(QuoteSymbolNames) == 3 * sizeof(void*),
              "QuoteSymbolNames layout");

static_assert(sizeof(QuoteMinPoint) == 40 && offsetof(QuoteMinPoint, volume) == 16 &&
                  offsetof(QuoteMinPoint, value) == 32,
              "QuoteMinPoint layout");
static_assert(sizeof(QuoteKPoint) == 56 && offsetof(QuoteKPoint, high) == 8 && offsetof(QuoteKPoint, extra) == 24 &&
                  offsetof(QuoteKPoint, volume) == 32 && offsetof(QuoteKPoint, amount) == 40 &&
                  offsetof(QuoteKPoint, prev_close) == 48,
              "QuoteKPoint layout");
static_assert(sizeof(QuoteDetailPoint) == 32 && offsetof(QuoteDetailPoint, value) == 24 &&
                  offsetof(QuoteDetailPoint, flag) == 28,
              "QuoteDetailPoint layout");
static_assert(sizeof(QuoteDividend) == 72 && offsetof(QuoteDividend, forward_factor) == 40, "QuoteDividend layout");
static_assert(sizeof(QuotePriceLevel) == 32 && offsetof(QuotePriceLevel, volume) == 16, "QuotePriceLevel layout");
static_assert(sizeof(QuoteMinAxis) == 72, "QuoteMinAxis layout");
#endif

#endif /* QUOTE_H */
