// BoardFile: the records of board.json as the JSON reader fills them. Missing
// keys leave integers 0 and texts empty.
#ifndef PELMAR_BOARDFILE_H
#define PELMAR_BOARDFILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "ajson.h"

struct BoardRuleRecord {
    std::string end;
    int8_t market = 0;
    std::string start;
    std::string type;
    std::string value;
    AJSON_FIELDS(end, market, start, type, value)
};

struct BoardRecord {
    int64_t id = 0;
    std::string desc;
    std::string name;
    std::vector<BoardRuleRecord> codeRules;
    AJSON_FIELDS(id, desc, name, codeRules)
};

struct BoardSetRecord {
    std::vector<BoardRecord> board;
    AJSON_FIELDS(board)
};

struct IndexItemRecord {
    int64_t boardid = 0;
    std::string code;
    std::string name;  // read, not used
    AJSON_FIELDS(boardid, code, name)
};

struct IndexGroupRecord {
    int64_t id = 0;
    std::vector<IndexItemRecord> index;
    std::string name;
    int8_t marketid = 0;
    AJSON_FIELDS(id, index, name, marketid)
};

struct BoardFile {
    std::vector<IndexGroupRecord> boardIndex;
    BoardSetRecord boardset;
    AJSON_FIELDS(boardIndex, boardset)
};

#endif
