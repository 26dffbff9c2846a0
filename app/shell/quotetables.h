// The block, margin and rating tables the quote lists rely on, loaded into the
// market-data library from the data directory at the start of the main phase.
#pragma once

#include <cstddef>

struct QuoteTableFile {
    const char* file;               // name in the data directory
    int (*load)(const char*, int);  // the library's loader; result not used
};

// board.json -> quote_block_load, stock_rzrq.json -> quote_margin_load,
// stock_rating.json -> quote_rating_load, in this order.
const QuoteTableFile* quoteTableFiles(size_t* count);

// GUI thread. Hands each file's UTF-8 text to its loader; a missing or empty
// file is skipped.
void loadQuoteTables(const QuoteTableFile* files, size_t count);
