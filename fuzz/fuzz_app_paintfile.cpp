// Drawing-file fields over arbitrary texts: every tool object's fields read
// without harm, escaping any bytes and unescaping them gives them back, and
// unescaping arbitrary text never reads past it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "charts/core/paintfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string in(reinterpret_cast<const char*>(data), size);
    if (paintcore::jsonUnescape(paintcore::jsonEscape(in)) != in)
        abort();
    const std::string loose = paintcore::jsonUnescape(in);
    (void)loose;

    json_node* root = nullptr;
    if (json_parse_text(in.c_str(), &root) != JSON_OK)
        return 0;
    const json_node* label = json_find_label(root, "paintArray");
    const json_node* array = label ? label->firstChild : nullptr;
    static const char* keys[] = {"type",      "kstart_time", "kstart_price", "kend_time", "kend_price",
                                 "kmid_time", "kmid_price",  "m_color",      "m_size",    "m_style",
                                 "m_dK",      "m_dB",        "m_dR",         "text",      "font"};
    for (const json_node* e = array ? array->firstChild : nullptr; e; e = e->next) {
        for (const char* k : keys) {
            std::string v;
            if (!paintcore::readField(e, k, &v))
                continue;
            (void)paintcore::parseInt(v);
            (void)paintcore::parseDouble(v);
            (void)paintcore::parseColour(v);
        }
    }
    json_free_tree(&root);
    return 0;
}
