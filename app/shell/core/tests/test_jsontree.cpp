// The JSON tree: result codes on whole texts and on texts cut into pieces of
// every small size, verbatim texts, the compact writer, the tree rules and the
// stderr diagnostics. Expected values are worked out from the format's rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "shell/core/jsontree.h"

namespace {

struct Tree {
    json_node* root = nullptr;
    ~Tree() { json_free_tree(&root); }
};

std::string write(const json_node* n, int* rcOut = nullptr)
{
    char* text = nullptr;
    const int rc = json_to_text(n, &text);
    if (rcOut)
        *rcOut = rc;
    std::string s = text ? text : "";
    std::free(text);
    return rc == JSON_OK ? s : "<" + std::to_string(rc) + ">";
}

// Parses in pieces of `piece` bytes; the tree's compact text, or "<code>".
std::string roundTrip(const std::string& in, size_t piece)
{
    Tree t;
    const int rc = json_parse_text_pieces(in.c_str(), piece, &t.root);
    if (rc != JSON_OK) {
        EXPECT_EQ(t.root, nullptr) << "a failed parse handed out a tree";
        return "<" + std::to_string(rc) + ">";
    }
    return write(t.root);
}

const size_t kPieces[] = {1, 2, 3, 4, 5, 7, 11, 1024};

TEST(JsonTree, ResultCodesWholeAndInPieces)
{
    const struct {
        const char* in;
        std::string want;
    } cases[] = {
        {"{}", "{}"},
        {"{\"a\":[1,2,]}", "{\"a\":[1,2]}"},  // comma before ] is fine
        {"{\"a\":[],\"b\":{}}", "{\"a\":[],\"b\":{}}"},
        {"{\"a\" : true ,\n\"b\":false,\r\n\"c\":null}\t\n ", "{\"a\":true,\"b\":false,\"c\":null}"},
        {"{\"s\":\"\\u00e9\\\"\\\\\\/\\b\\f\\n\\r\\t\"}", "{\"s\":\"\\u00e9\\\"\\\\\\/\\b\\f\\n\\r\\t\"}"},
        {"{\"n\":[0,-0,12,-3.25,1e5,1E+5,-0.5e-07]}", "{\"n\":[0,-0,12,-3.25,1e5,1E+5,-0.5e-07]}"},
        {"{\"名\":\"行情\x7f\"}", "{\"名\":\"行情\x7f\"}"},
        {"{\"a\":[[1],[{\"b\":[2]}]]}", "{\"a\":[[1],[{\"b\":[2]}]]}"},
        {"{\"a\":1 }", "{\"a\":1}"},
        {"", "<10>"},          // no input
        {"{\"a\":1", "<10>"},  // never closed
        {"{\"a\":1}  \n\t", "{\"a\":1}"},
        {"{\"a\":{}", "<10>"},
        {"[]", "<4>"},  // root must be an object
        {"\"x\"", "<4>"},
        {" \n ", "<4>"},
        {"x", "<4>"},
        {"{\"a\":1,}", "<4>"},  // comma before } is not
        {"{}x", "<4>"},
        {"{}{}", "<4>"},
        {"{} t", "<4>"},
        {"{,}", "<4>"},
        {"{1:2}", "<4>"},
        {"{\"a\" 1}", "<4>"},
        {"{\"a\":1 \"b\":2}", "<4>"},
        {"{\"a\":[1}", "<4>"},
        {"{\"a\":]}", "<4>"},
        {"{\"a\":[1,,2]}", "<4>"},
        {"{\"a\":[,]}", "<4>"},
        {"{\"a\":01}", "<7>"},  // leading zero, then a digit
        {"{\"a\":-}", "<7>"},
        {"{\"a\":1.}", "<7>"},
        {"{\"a\":1e+}", "<7>"},
        {"{\"a\":1x}", "<7>"},
        {"{\"a\":tru}", "<7>"},
        {"{\"a\":nul}", "<7>"},
        {"{\"a\":\"x\ty\"}", "<7>"},  // control character in a string
        {"{\"a\":\"\\q\"}", "<7>"},
        {"{\"a\":\"\\u12G4\"}", "<7>"},
        {"{\"a\":1,#}", "<7>"},
        {"{\"a\":[#]}", "<7>"},
        {"{\"a\":#}", "<7>"},
        {"{#}", "<4>"},  // state 2 has no 7
    };
    testing::internal::CaptureStderr();
    for (const auto& c : cases)
        for (size_t piece : kPieces)
            EXPECT_EQ(roundTrip(c.in, piece), c.want) << "input " << c.in << ", pieces of " << piece;
    testing::internal::GetCapturedStderr();
}

TEST(JsonTree, TokensSplitAcrossThe1024BytePieces)
{
    // Each token of interest is placed so that it straddles byte 1024.
    const std::string values[] = {
        "\"" + std::string(40, 'x') + "\\u4E2d" + std::string(40, 'y') + "\"",
        "-1234567.891e+12",
        "true",
        "false",
        "null",
        "\"a\\\\b\\\"c\"",
    };
    for (const std::string& v : values) {
        for (size_t cut = 1; cut < v.size(); cut += 3) {
            std::string doc = "{\"pad\":\"" + std::string(1010 - cut, 'p') + "\",\"v\":";
            ASSERT_EQ(doc.size() + cut, 1024u);
            doc += v + "}";
            Tree t;
            ASSERT_EQ(json_parse_text(doc.c_str(), &t.root), JSON_OK) << doc;
            const json_node* label = json_find_label(t.root, "v");
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(write(t.root), doc);
            const json_node* val = label->firstChild;
            if (val->kind == JSON_STRING || val->kind == JSON_NUMBER) {
                const std::string want = val->kind == JSON_STRING ? v.substr(1, v.size() - 2) : v;
                EXPECT_EQ(val->text, want);
            }
        }
    }
    // A document of many pieces, cut short: incomplete becomes 10.
    std::string big = "{\"a\":[";
    for (int i = 0; i < 600; ++i)
        big += std::to_string(i) + ",";
    Tree t;
    EXPECT_EQ(json_parse_text(big.c_str(), &t.root), JSON_OTHER);
    big += "1]}";
    EXPECT_EQ(json_parse_text(big.c_str(), &t.root), JSON_OK);
    EXPECT_EQ(write(t.root), big);
}

TEST(JsonTree, TextsStayVerbatim)
{
    Tree t;
    ASSERT_EQ(json_parse_text("{\"k\\u0041\":\"\\u00E9\\n\",\"n\":-0.50E+2}", &t.root), JSON_OK);
    ASSERT_EQ(t.root->kind, JSON_OBJECT);
    const json_node* k = json_find_label(t.root, "k\\u0041");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(json_find_label(t.root, "kA"), nullptr);
    EXPECT_EQ(std::string(k->firstChild->text), "\\u00E9\\n");
    const json_node* n = json_find_label(t.root, "n");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->firstChild->kind, JSON_NUMBER);
    EXPECT_EQ(std::string(n->firstChild->text), "-0.50E+2");
    EXPECT_EQ(t.root->firstChild->parent, t.root);
    EXPECT_EQ(t.root->lastChild, n);
    EXPECT_EQ(n->previous, k);
}

TEST(JsonTree, TreeRules)
{
    json_node* obj = json_make_object();
    json_node* arr = json_make_array();
    json_node* label = json_make_string("a");
    ASSERT_TRUE(obj && arr && label);
    Tree keep;
    keep.root = obj;

    EXPECT_EQ(json_add_child(obj, arr), JSON_BAD_STRUCTURE) << "object takes labels only";
    EXPECT_EQ(json_add_child(label, arr), JSON_OK);
    json_node* second = json_make_string("second");
    EXPECT_EQ(json_add_child(label, second), JSON_BAD_STRUCTURE) << "a label holds one value";
    EXPECT_EQ(json_add_child(obj, label), JSON_OK);
    EXPECT_EQ(json_add_child(obj, label), JSON_BAD_STRUCTURE) << "already linked";

    json_node* withChild = json_make_string("l");
    json_node* v = json_make_string("v");
    ASSERT_EQ(json_add_child(withChild, v), JSON_OK);
    EXPECT_EQ(json_add_child(arr, withChild), JSON_BAD_STRUCTURE) << "scalar with children";
    json_free_tree(&withChild);
    EXPECT_EQ(withChild, nullptr);

    json_node* t = json_make_string("x");
    t->kind = JSON_TRUE;
    EXPECT_EQ(json_add_child(t, second), JSON_BAD_STRUCTURE) << "true takes no children";
    json_free_tree(&t);
    EXPECT_EQ(json_add_child(arr, second), JSON_OK);

    // add_pair: into an object works; into anything else fails and leaves the value free.
    json_node* num = json_make_string("7");
    EXPECT_EQ(json_add_pair(arr, "no", num), JSON_BAD_STRUCTURE);
    EXPECT_EQ(num->parent, nullptr);
    EXPECT_EQ(json_add_pair(obj, "b\\n", num), JSON_OK);
    EXPECT_EQ(write(obj), "{\"a\":[\"second\"],\"b\\n\":\"7\"}");

    // Freeing the middle of three relinks the others.
    json_node* c = json_make_string("c");
    ASSERT_EQ(json_add_pair(obj, "c", c), JSON_OK);
    json_node* mid = json_find_label(obj, "b\\n");
    json_free_tree(&mid);
    EXPECT_EQ(write(obj), "{\"a\":[\"second\"],\"c\":\"c\"}");
    EXPECT_EQ(obj->firstChild->next, obj->lastChild);
    EXPECT_EQ(obj->lastChild->previous, obj->firstChild);
    EXPECT_EQ(json_find_label(obj, "zz"), nullptr);
    json_node* empty = json_make_object();
    EXPECT_EQ(json_find_label(empty, "a"), nullptr);
    json_free_tree(&empty);
    json_free_tree(nullptr);
}

TEST(JsonTree, WriterRefusesLabelsWithoutValuesAndUnknownKinds)
{
    Tree t;
    t.root = json_make_object();
    json_node* bare = json_make_string("bare");
    ASSERT_EQ(json_add_child(t.root, bare), JSON_OK);
    int rc = 0;
    write(t.root, &rc);
    EXPECT_EQ(rc, JSON_BAD_STRUCTURE);
    json_node* alone = json_make_string("alone");
    write(alone, &rc);
    EXPECT_EQ(rc, JSON_BAD_STRUCTURE) << "a string root is a label";
    json_free_tree(&alone);

    json_node* arr = json_make_array();
    ASSERT_EQ(json_add_child(bare, arr), JSON_OK);
    json_node* odd = json_make_array();
    ASSERT_EQ(json_add_child(arr, odd), JSON_OK);
    odd->kind = 9;
    write(t.root, &rc);
    EXPECT_NE(rc, JSON_OK);
    odd->kind = JSON_NULL;
    EXPECT_EQ(write(t.root), "{\"bare\":[null]}");
}

TEST(JsonTree, DeepNestingParsesWritesAndFrees)
{
    std::string doc = "{\"a\":";
    for (int i = 0; i < 100000; ++i)
        doc += "[";
    for (int i = 0; i < 100000; ++i)
        doc += "]";
    doc += "}";
    Tree t;
    ASSERT_EQ(json_parse_text(doc.c_str(), &t.root), JSON_OK);
    EXPECT_EQ(write(t.root), doc);
}

TEST(JsonTree, DiagnosticsOnStderr)
{
    const struct {
        const char* in;
        const char* err;
    } cases[] = {
        {"{\"a\":1,\n}", "JSON: state 4: defaulted at line 2\n"},
        {"{\r\"a\" 1}", "JSON: state 5: defaulted at line 2\n"},
        {"{\"a\":[1]\n\n}}", "JSON: state 99: defaulted at line 3\n"},
        {" \n\n", "JSON: state 0: defaulted at line 3\n"},
        {"{\"a\":1 \"b\":2}", "JSON: state 3: defaulted at line 1\n"},
        {"{\"a\":01}", ""},  // illegal characters are not reported
    };
    for (const auto& c : cases) {
        Tree t;
        testing::internal::CaptureStderr();
        json_parse_text(c.in, &t.root);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.in;
    }
}

}  // namespace
