// BoardFiles: the start-up files of the main program's data directory that
// match the synthetic market, so the program can run against this server
// with nothing else: board.json (blocks by code rules and the index groups
// tying blocks to index symbols), stock_rzrq.json (codes open to margin
// trading) and stock_rating.json (stock ratings).
//
// board.json writes out BoardSet (boardset.h), which lists the blocks and
// their rules; the server's block commands answer from the same set, and
// every index code it names (the four market indices and the industry,
// region and concept indices 880xxx, 885xxx) is in the code table.
// The other two follow fixed rules over the synthetic stocks, where Shanghai
// stock i is 600000 + i (i = 0..199) and Shenzhen stock j is 000001 + j
// (j = 0..149):
//   Margin trading: i mod 3 = 0 and j mod 4 = 0.
//   Ratings: i mod 5 = 0 and j mod 5 = 0, the text cycling through
//   "买入", "增持", "中性", "减持" with i / 5 (or j / 5).
#ifndef QUOTESERVER_BOARDFILES_H
#define QUOTESERVER_BOARDFILES_H

#include <string>

class BoardFiles {
public:
    static std::string board_json();
    static std::string margin_json();
    static std::string rating_json();

    // Writes the three files into dir (created when missing), each through a
    // temporary file renamed into place. False with a message on failure.
    static bool write(const std::string& dir, std::string* error);
};

#endif
