// The JSON tree over arbitrary texts fed in arbitrary piece sizes: the result
// never depends on where the pieces are cut, and parse -> write -> parse gives
// the same tree (its compact text is a fixed point).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/core/jsontree.h"

namespace {

struct Parsed {
    int rc;
    std::string text;
};

Parsed parseAndWrite(const std::string& in, size_t piece)
{
    json_node* root = nullptr;
    Parsed p{json_parse_text_pieces(in.c_str(), piece, &root), {}};
    if (p.rc != JSON_OK) {
        if (root)
            abort();
        return p;
    }
    char* out = nullptr;
    if (json_to_text(root, &out) != JSON_OK)
        abort();
    p.text = out;
    std::free(out);
    json_free_tree(&root);
    if (root)
        abort();
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t pieceA = size_t(data[0]) + 1;
    const size_t pieceB = size_t(data[1]) % 7 + 1;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);  // cut at a NUL by the parser

    const Parsed whole = parseAndWrite(text, 1024);
    const Parsed a = parseAndWrite(text, pieceA);
    const Parsed b = parseAndWrite(text, pieceB);
    // Only leading whitespace longer than a piece may change the outcome: a
    // piece used up before the document starts ends the parse.
    const size_t lead = std::strspn(text.c_str(), " \t\r\n");
    auto differ = [](const Parsed& x, const Parsed& y) { return x.rc != y.rc || x.text != y.text; };
    if (lead < pieceA && lead < pieceB && differ(a, b))
        abort();
    if (lead < pieceA && lead < 1024 && differ(whole, a))
        abort();
    if (whole.rc == JSON_OK) {
        const Parsed again = parseAndWrite(whole.text, pieceB);
        if (again.rc != JSON_OK || again.text != whole.text)
            abort();
    }
    return 0;
}
