// FundFlow: the outside market-data web service's paths that the fund-flow
// views ask for, answered from the synthetic market so that the figures agree
// with the quotes: a day's turnover (field 11 of the quote server) split into
// super-large, large, medium and small orders bought and sold, the main
// (super-large plus large) net leaning with the day's move.
//
//   /api/qt/ulist.np/get                today's flow of the secids (diff rows)
//   /api/qt/stock/fflow/daykline/get    daily net flows, oldest first (klines)
//   /api/qt/clist/get                   the main net flow of a block's stocks
//   /api/qt/kamt.rtmin/get              connect-channel minute nets
//   /api/qt/kamtbs.rtmin/get            connect-channel minute buys and sells
//   /EM_MutiSvcExpandInterface/api/js/get   connect-channel daily nets
//
// A secid is "<service market>.<code>": 1 Shanghai, 0 Shenzhen, 90 either.
#ifndef BACKEND_FUNDFLOW_H
#define BACKEND_FUNDFLOW_H

#include <cstdint>
#include <map>
#include <string>

namespace FundFlow {

// True for the paths above.
bool handles(const std::string& path);
// The JSON reply of one of those paths for its query.
std::string answer(const std::string& path, const std::map<std::string, std::string>& query);

// One day's split of a stock's turnover, yuan: inflow and outflow of the
// super-large, large, medium and small orders, in that order. Both sides
// add up to the day's amount.
struct Split {
    int64_t in[4] = {};
    int64_t out[4] = {};
    int64_t amount = 0;
};
// Of code (market 1 or 2) on trading day j (0 today); false when unknown.
bool split(const std::string& code, int market, int j, Split* out);

}  // namespace FundFlow

#endif
