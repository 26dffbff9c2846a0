/* A small JSON tree for the drawing-tool files: a document is a tree of linked
 * nodes whose scalar texts stay exactly as written in the source (strings keep
 * their escapes, numbers their digits), so a parsed compact document is
 * written back byte for byte. Callers store and read JSON-escaped text. */
#ifndef TARVOLIN_JSONTREE_H
#define TARVOLIN_JSONTREE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum json_kind {
    JSON_STRING = 0, /* also an object member's label */
    JSON_NUMBER = 1,
    JSON_OBJECT = 2,
    JSON_ARRAY = 3,
    JSON_TRUE = 4,
    JSON_FALSE = 5,
    JSON_NULL = 6
};

enum json_result {
    JSON_OK = 1,
    JSON_INCOMPLETE = 2, /* input ended inside the document */
    JSON_COMPLETE = 3,   /* root closed; only whitespace may follow (parsing only) */
    JSON_MALFORMED = 4,
    JSON_NO_MEMORY = 6,
    JSON_ILLEGAL_CHAR = 7,
    JSON_BAD_STRUCTURE = 8,
    JSON_OTHER = 10 /* attaching failed while parsing, or the document never closed */
};

/* One heap block per node. An object's children are labels (strings), each
 * with exactly one child, its value; an array's children are values. */
typedef struct json_node {
    int32_t kind;
    char* text; /* strings and numbers: the source text without quotes; else NULL */
    struct json_node* next;
    struct json_node* previous;
    struct json_node* parent;
    struct json_node* firstChild;
    struct json_node* lastChild;
} json_node;

/* New unlinked nodes; NULL when out of memory. json_make_string copies `text`,
 * which must already be JSON-escaped (without the quotes). */
json_node* json_make_object(void);
json_node* json_make_array(void);
json_node* json_make_string(const char* text);

/* Links `child` as the last child of `parent`. 8 when the pair breaks the tree
 * rules (an object takes labels only; arrays and labels take any value, but a
 * scalar with children is refused; a label takes one value only; a child that
 * is already linked somewhere is refused), else 1. */
int json_add_child(json_node* parent, json_node* child);

/* Adds a member: a new label holding a copy of `label`, with `value` under it.
 * 6 when the label cannot be allocated, else the result of the additions; on
 * failure nothing stays linked and `value` still belongs to the caller. */
int json_add_pair(json_node* object, const char* label, json_node* value);

/* The first child of `object` whose text equals `label` byte for byte, or NULL. */
json_node* json_find_label(const json_node* object, const char* label);

/* Unlinks *node from its parent and siblings, frees it with its subtree and
 * sets *node to NULL. Accepts NULL and a pointer to NULL. */
void json_free_tree(json_node** node);

/* Parses a NUL-terminated text whose root must be an object. On 1 the new tree
 * is stored in *root; on any other result nothing is handed out. Diagnostics
 * for unexpected tokens go to stderr. */
int json_parse_text(const char* text, json_node** root);

/* The same, feeding the text in pieces of `piece` bytes (json_parse_text uses
 * 1024); lets tests split tokens anywhere. */
int json_parse_text_pieces(const char* text, size_t piece, json_node** root);

/* Writes the tree as one compact JSON text into a new heap string (free() it).
 * 1 on success; 8 for a label without a value or a node of unknown kind;
 * 6 when out of memory. */
int json_to_text(const json_node* root, char** text);

#ifdef __cplusplus
}
#endif

#endif
