// Feeds arbitrary bytes to the JSON reader through the board file's records
// and records of the other shapes the library reads (nested objects, arrays of
// objects, every field type). The
// reader must either fill the record or throw ajson::exception, never crash,
// hang or read past the given length.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ajson.h"
#include "boardfile.h"

namespace {

struct Rule {
    std::string end;
    int8_t market = 0;
    std::string start, type, value;
    AJSON_FIELDS(end, market, start, type, value)
};

struct Board {
    int64_t id = 0;
    std::string desc, name;
    std::vector<Rule> codeRules;
    AJSON_FIELDS(id, desc, name, codeRules)
};

struct Entry {
    char code[16] = {};
    uint8_t market = 0;
    int16_t no = 0;
    int32_t wide = 0;
    std::vector<int64_t> ids;
    AJSON_FIELDS(code, market, no, wide, ids)
};

struct Top {
    std::vector<Board> boards;
    std::vector<Entry> entries;
    std::string text;
    AJSON_FIELDS(boards, entries, text)
};

template <class T>
void tryParse(const char* data, std::size_t size)
{
    T record;
    try {
        ajson::parse(record, data, size);
    } catch (const ajson::exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Copy into a buffer of exactly `size` bytes so any read past the length
    // is caught by the address sanitizer.
    std::unique_ptr<char[]> buffer = std::make_unique<char[]>(size ? size : 1);
    if (size)
        std::memcpy(buffer.get(), data, size);
    tryParse<Top>(buffer.get(), size);
    tryParse<std::vector<Entry>>(buffer.get(), size);
    tryParse<BoardFile>(buffer.get(), size);
    return 0;
}
