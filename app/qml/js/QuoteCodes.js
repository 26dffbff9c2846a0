.pragma library

// The quote library's numbers as the documents use them: the periods of a
// market context (the K-line cycles 33 to 40 among them), the market-field ids
// the lists sort by and the reply kinds. The same values as quote.h's
// QUOTE_PERIOD_* and QUOTE_REPLY_*; a test compares the two.

// Periods
var PERIOD_REALTIME = 30;
var PERIOD_DETAIL = 31;
var PERIOD_MINUTE = 32;
var KLINE_DAY = 33;
var KLINE_MIN1 = 34;
var KLINE_MIN5 = 35;
var KLINE_MIN15 = 36;
var KLINE_MIN30 = 37;
var KLINE_MIN60 = 38;
var KLINE_WEEK = 39;
var KLINE_MONTH = 40;
var KLINE_FIRST = KLINE_DAY;
var KLINE_LAST = KLINE_MONTH;   // the highest cycle a view steps to

// Market-field ids
var FIELD_CODE = 1;            // the stock code
var FIELD_AMOUNT = 11;          // amount traded
var FIELD_VOLUME_RATIO = 33;    // today's volume against the last five days'
var FIELD_RISE_RATE = 34;       // the change against the previous close, a fraction
var FIELD_RATE_5MIN = 36;       // the move over the last five minutes
var FIELD_ORDER_RATIO = 38;     // bids against asks
var FIELD_AMPLITUDE = 41;       // the day's range against the previous close

// Reply kinds
var REPLY_ERROR = 0;
var REPLY_SERVER = 1;
var REPLY_CODE_TABLE = 2;
var REPLY_REALTIME = 3;
var REPLY_MINUTE = 4;
var REPLY_KLINE = 5;
var REPLY_DETAIL = 6;
var REPLY_DIVIDEND = 7;
var REPLY_SMART_TIP = 9;
var REPLY_PRICE_VOLUME = 10;
var REPLY_RECEIVER = 11;
var REPLY_MARKET_STATE = 12;
