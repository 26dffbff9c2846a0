/* JSON tree: nodes, a resumable scanner, the parser state machine and the
 * compact writer. Nothing here recurses, so deep documents cannot exhaust the
 * stack. */
#include "shell/core/jsontree.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

/* ---- growing text buffer, always NUL-terminated ---- */

typedef struct {
    char* data;
    size_t len;
    size_t cap;
} strbuf;

static int sb_reserve(strbuf* b, size_t extra)
{
    const size_t need = b->len + extra + 1;
    if (need <= b->cap)
        return 1;
    /* Starts at 8; grows to the needed size plus 5, or doubles when that is
     * more, so long texts stay linear. */
    size_t cap = b->cap ? b->cap : 8;
    if (cap < need)
        cap = need + 5;
    if (b->cap && cap < b->cap * 2)
        cap = b->cap * 2;
    char* d = (char*)realloc(b->data, cap);
    if (!d)
        return 0;
    b->data = d;
    b->cap = cap;
    return 1;
}

static int sb_append(strbuf* b, const char* s, size_t n)
{
    if (!sb_reserve(b, n))
        return 0;
    memcpy(b->data + b->len, s, n);
    b->len += n;
    b->data[b->len] = '\0';
    return 1;
}

static int sb_put(strbuf* b, char c)
{
    return sb_append(b, &c, 1);
}

static void sb_free(strbuf* b)
{
    free(b->data);
    b->data = NULL;
    b->len = b->cap = 0;
}

/* ---- nodes ---- */

static json_node* make_node(int32_t kind, const char* text, size_t len)
{
    json_node* n = (json_node*)calloc(1, sizeof *n);
    if (!n)
        return NULL;
    n->kind = kind;
    if (text) {
        n->text = (char*)malloc(len + 1);
        if (!n->text) {
            free(n);
            return NULL;
        }
        memcpy(n->text, text, len);
        n->text[len] = '\0';
    }
    return n;
}

json_node* json_make_object(void)
{
    return make_node(JSON_OBJECT, NULL, 0);
}
json_node* json_make_array(void)
{
    return make_node(JSON_ARRAY, NULL, 0);
}

json_node* json_make_string(const char* text)
{
    return make_node(JSON_STRING, text ? text : "", text ? strlen(text) : 0);
}

static int is_scalar(int32_t kind)
{
    return kind != JSON_OBJECT && kind != JSON_ARRAY;
}

int json_add_child(json_node* parent, json_node* child)
{
    if (!parent || !child || parent == child || child->parent)
        return JSON_BAD_STRUCTURE;
    if (child->kind < JSON_STRING || child->kind > JSON_NULL)
        return JSON_BAD_STRUCTURE;
    switch (parent->kind) {
    case JSON_OBJECT:
        if (child->kind != JSON_STRING)
            return JSON_BAD_STRUCTURE;
        break;
    case JSON_STRING:
        /* A label holds exactly one value. */
        if (parent->firstChild)
            return JSON_BAD_STRUCTURE;
        /* fall through */
    case JSON_ARRAY:
        if (is_scalar(child->kind) && child->firstChild)
            return JSON_BAD_STRUCTURE;
        break;
    default:
        return JSON_BAD_STRUCTURE;
    }
    child->parent = parent;
    child->next = NULL;
    child->previous = parent->lastChild;
    if (parent->lastChild)
        parent->lastChild->next = child;
    else
        parent->firstChild = child;
    parent->lastChild = child;
    return JSON_OK;
}

static void unlink_node(json_node* n)
{
    json_node* p = n->parent;
    if (n->previous)
        n->previous->next = n->next;
    else if (p)
        p->firstChild = n->next;
    if (n->next)
        n->next->previous = n->previous;
    else if (p)
        p->lastChild = n->previous;
    n->parent = n->next = n->previous = NULL;
}

int json_add_pair(json_node* object, const char* label, json_node* value)
{
    json_node* l = json_make_string(label);
    if (!l)
        return JSON_NO_MEMORY;
    int rc = json_add_child(l, value);
    if (rc == JSON_OK)
        rc = json_add_child(object, l);
    if (rc != JSON_OK) {
        if (l->firstChild)
            unlink_node(value);
        json_free_tree(&l);
    }
    return rc;
}

json_node* json_find_label(const json_node* object, const char* label)
{
    if (!object || !label)
        return NULL;
    for (json_node* c = object->firstChild; c; c = c->next)
        if (c->text && strcmp(c->text, label) == 0)
            return c;
    return NULL;
}

void json_free_tree(json_node** node)
{
    if (!node || !*node)
        return;
    json_node* root = *node;
    unlink_node(root);
    /* Post-order walk: descend to a leaf, free it, continue with its sibling
     * or its parent. */
    json_node* n = root;
    while (n) {
        if (n->firstChild) {
            n = n->firstChild;
            continue;
        }
        json_node* up = n == root ? NULL : n->parent;
        json_node* next = n == root ? NULL : n->next;
        if (up)
            up->firstChild = next;
        free(n->text);
        free(n);
        n = next ? next : up;
    }
    *node = NULL;
}

/* ---- scanner ---- */

enum token {
    T_LBRACE,
    T_RBRACE,
    T_LBRACKET,
    T_RBRACKET,
    T_COLON,
    T_COMMA,
    T_STRING,
    T_NUMBER,
    T_TRUE,
    T_FALSE,
    T_NULL,
    T_ILLEGAL,
    T_MORE,
    T_NOMEM
};

enum scan_state {
    S_BETWEEN,
    S_STRING,
    S_ESCAPE,
    S_UNICODE,
    S_N_MINUS,
    S_N_ZERO,
    S_N_INT,
    S_N_POINT,
    S_N_FRAC,
    S_N_E,
    S_N_ESIGN,
    S_N_EXP,
    S_WORD
};

typedef struct {
    int state;
    const char* p; /* position in the current piece */
    strbuf tok;    /* text of a string or number in progress */
    ssize_t line;
    int hexLeft;      /* digits still due after \u */
    const char* word; /* true/false/null being matched */
    int wordPos;
    int wordToken;
} scanner;

static int is_digit(char c)
{
    return c >= '0' && c <= '9';
}
static int is_hex(char c)
{
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/* The next token of the piece at s->p (NUL-terminated); T_MORE when the piece
 * ends first, with the scanner ready to resume on the next piece. */
static int scan(scanner* s)
{
    for (;;) {
        const char c = *s->p;
        if (c == '\0')
            return T_MORE;
        switch (s->state) {
        case S_BETWEEN:
            ++s->p;
            switch (c) {
            case ' ':
            case '\t':
                continue;
            case '\n':
            case '\r':
                ++s->line;
                continue;
            case '{':
                return T_LBRACE;
            case '}':
                return T_RBRACE;
            case '[':
                return T_LBRACKET;
            case ']':
                return T_RBRACKET;
            case ':':
                return T_COLON;
            case ',':
                return T_COMMA;
            case '"':
                s->tok.len = 0;
                if (!sb_reserve(&s->tok, 0))
                    return T_NOMEM;
                s->tok.data[0] = '\0';
                s->state = S_STRING;
                continue;
            case 't':
                s->word = "true";
                s->wordToken = T_TRUE;
                break;
            case 'f':
                s->word = "false";
                s->wordToken = T_FALSE;
                break;
            case 'n':
                s->word = "null";
                s->wordToken = T_NULL;
                break;
            default:
                if (c == '-' || is_digit(c)) {
                    s->tok.len = 0;
                    if (!sb_put(&s->tok, c))
                        return T_NOMEM;
                    s->state = c == '-' ? S_N_MINUS : c == '0' ? S_N_ZERO : S_N_INT;
                    continue;
                }
                return T_ILLEGAL;
            }
            s->wordPos = 1;
            s->state = S_WORD;
            continue;
        case S_WORD:
            if (c != s->word[s->wordPos])
                return T_ILLEGAL;
            ++s->p;
            if (s->word[++s->wordPos] == '\0') {
                s->state = S_BETWEEN;
                return s->wordToken;
            }
            continue;
        case S_STRING:
            ++s->p;
            if (c == '"') {
                s->state = S_BETWEEN;
                return T_STRING;
            }
            if ((unsigned char)c < 0x20)
                return T_ILLEGAL;
            if (c == '\\')
                s->state = S_ESCAPE;
            if (!sb_put(&s->tok, c))
                return T_NOMEM;
            continue;
        case S_ESCAPE:
            ++s->p;
            if (c == 'u') {
                s->hexLeft = 4;
                s->state = S_UNICODE;
            } else if (strchr("\"/\\bfnrt", c)) {
                s->state = S_STRING;
            } else {
                return T_ILLEGAL;
            }
            if (!sb_put(&s->tok, c))
                return T_NOMEM;
            continue;
        case S_UNICODE:
            ++s->p;
            if (!is_hex(c))
                return T_ILLEGAL;
            if (--s->hexLeft == 0)
                s->state = S_STRING;
            if (!sb_put(&s->tok, c))
                return T_NOMEM;
            continue;
        default:
            break;
        }
        /* Numbers. States that may end the number stop at whitespace (eaten)
         * or at , ] } (left for the next token). */
        int next = -1;
        int canEnd = 0;
        switch (s->state) {
        case S_N_MINUS:
            next = c == '0' ? S_N_ZERO : is_digit(c) ? S_N_INT : -1;
            break;
        case S_N_ZERO:
            canEnd = 1;
            next = c == '.' ? S_N_POINT : (c == 'e' || c == 'E') ? S_N_E : -1;
            break;
        case S_N_INT:
            canEnd = 1;
            next = is_digit(c) ? S_N_INT : c == '.' ? S_N_POINT : (c == 'e' || c == 'E') ? S_N_E : -1;
            break;
        case S_N_POINT:
            next = is_digit(c) ? S_N_FRAC : -1;
            break;
        case S_N_FRAC:
            canEnd = 1;
            next = is_digit(c) ? S_N_FRAC : (c == 'e' || c == 'E') ? S_N_E : -1;
            break;
        case S_N_E:
            next = (c == '+' || c == '-') ? S_N_ESIGN : is_digit(c) ? S_N_EXP : -1;
            break;
        case S_N_ESIGN:
            next = is_digit(c) ? S_N_EXP : -1;
            break;
        case S_N_EXP:
            canEnd = 1;
            next = is_digit(c) ? S_N_EXP : -1;
            break;
        default:
            fprintf(stderr, "JSON: *state missing: %d\n", s->state);
            return T_ILLEGAL;
        }
        if (next >= 0) {
            ++s->p;
            s->state = next;
            if (!sb_put(&s->tok, c))
                return T_NOMEM;
            continue;
        }
        if (canEnd && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            ++s->p;
            if (c == '\n' || c == '\r')
                ++s->line;
            s->state = S_BETWEEN;
            return T_NUMBER;
        }
        if (canEnd && (c == ',' || c == ']' || c == '}')) {
            s->state = S_BETWEEN;
            return T_NUMBER;
        }
        return T_ILLEGAL;
    }
}

/* ---- parser ---- */

typedef struct {
    scanner sc;
    int state;
    json_node* cursor;
    json_node* root;
} parser;

static int defaulted(const parser* ps)
{
    fprintf(stderr, "JSON: state %d: defaulted at line %zd\n", ps->state, ps->sc.line);
    return JSON_MALFORMED;
}

/* "}" or "]": back to the container that holds the closed one. */
static int close_container(parser* ps)
{
    json_node* up = ps->cursor->parent;
    if (!up) {
        ps->state = 99;
        return 0;
    }
    if (up->kind == JSON_ARRAY) {
        ps->cursor = up;
        ps->state = 9;
        return 0;
    }
    if (up->kind == JSON_STRING && up->parent && up->parent->kind == JSON_OBJECT) {
        ps->cursor = up->parent;
        ps->state = 3;
        return 0;
    }
    return JSON_BAD_STRUCTURE;
}

static json_node* scalar_node(const parser* ps, int tok)
{
    switch (tok) {
    case T_TRUE:
        return make_node(JSON_TRUE, NULL, 0);
    case T_FALSE:
        return make_node(JSON_FALSE, NULL, 0);
    case T_NULL:
        return make_node(JSON_NULL, NULL, 0);
    case T_STRING:
        return make_node(JSON_STRING, ps->sc.tok.data, ps->sc.tok.len);
    default:
        return make_node(JSON_NUMBER, ps->sc.tok.data, ps->sc.tok.len);
    }
}

static int is_value_token(int tok)
{
    return tok >= T_STRING && tok <= T_NULL;
}

/* Attaches `n` to the cursor; 0, or the code that ends the parse. */
static int attach(parser* ps, json_node* n)
{
    if (!n)
        return JSON_NO_MEMORY;
    if (json_add_child(ps->cursor, n) != JSON_OK) {
        json_free_tree(&n);
        return JSON_OTHER;
    }
    return 0;
}

/* A token where a value stands, an object member's (in_object) or an array
 * element's: a scalar is attached and the parse goes on after it, a brace or
 * bracket opens a container. 0 when the token began a value, -1 when it does
 * not begin one, else the code that ends the parse. */
static int begin_value(parser* ps, int tok, int in_object)
{
    if (is_value_token(tok)) {
        const int rc = attach(ps, scalar_node(ps, tok));
        if (rc)
            return rc;
        if (in_object)
            ps->cursor = ps->cursor->parent; /* from the member's key back to its object */
        ps->state = in_object ? 3 : 9;
        return 0;
    }
    if (tok == T_LBRACE || tok == T_LBRACKET) {
        ps->state = tok == T_LBRACE ? 1 : 7;
        return 0;
    }
    return -1;
}

/* Runs the parser over one piece; returns 2 when the piece is used up inside
 * the document, 3 when it is used up after the root closed, else the code
 * that ends the parse. */
static int parse_piece(parser* ps, const char* piece)
{
    ps->sc.p = piece;
    for (;;) {
        if (ps->state == 1 || ps->state == 7) {
            json_node* n = ps->state == 1 ? json_make_object() : json_make_array();
            if (!n)
                return JSON_NO_MEMORY;
            if (ps->cursor) {
                int rc = attach(ps, n);
                if (rc)
                    return rc;
            } else if (!ps->root) {
                ps->root = n;
            }
            ps->cursor = n;
            ps->state = ps->state == 1 ? 2 : 8;
            continue;
        }
        /* After the root only whitespace may follow; anything else is refused
         * at its first character. */
        if (ps->state == 99) {
            for (;;) {
                const char c = *ps->sc.p;
                if (c == '\0')
                    return JSON_COMPLETE;
                if (c == '\n' || c == '\r')
                    ++ps->sc.line;
                else if (c != ' ' && c != '\t')
                    return defaulted(ps);
                ++ps->sc.p;
            }
        }
        const int tok = scan(&ps->sc);
        if (tok == T_NOMEM)
            return JSON_NO_MEMORY;
        if (tok == T_MORE) {
            if (ps->state == 0)
                return defaulted(ps);
            return JSON_INCOMPLETE;
        }
        int rc = 0;
        switch (ps->state) {
        case 0:
            if (tok == T_LBRACE) {
                ps->state = 1;
                continue;
            }
            if (tok == T_ILLEGAL)
                return JSON_MALFORMED;
            return defaulted(ps);
        case 2:
        case 4:
            if (tok == T_STRING) {
                json_node* l = scalar_node(ps, tok);
                if ((rc = attach(ps, l)))
                    return rc;
                ps->cursor = l;
                ps->state = 5;
                continue;
            }
            if (tok == T_RBRACE && ps->state == 2)
                break;
            if (tok == T_ILLEGAL && ps->state == 4)
                return JSON_ILLEGAL_CHAR;
            return defaulted(ps);
        case 3:
            if (tok == T_COMMA) {
                ps->state = 4;
                continue;
            }
            if (tok == T_RBRACE)
                break;
            return defaulted(ps);
        case 5:
            if (tok == T_COLON) {
                ps->state = 6;
                continue;
            }
            return defaulted(ps);
        case 6:
            if ((rc = begin_value(ps, tok, 1)) >= 0) {
                if (rc)
                    return rc;
                continue;
            }
            if (tok == T_ILLEGAL)
                return JSON_ILLEGAL_CHAR;
            return defaulted(ps);
        case 8:
            if ((rc = begin_value(ps, tok, 0)) >= 0) {
                if (rc)
                    return rc;
                continue;
            }
            if (tok == T_RBRACKET)
                break;
            if (tok == T_ILLEGAL)
                return JSON_ILLEGAL_CHAR;
            return defaulted(ps);
        case 9:
            if (tok == T_COMMA) {
                ps->state = 8;
                continue;
            }
            if (tok == T_RBRACKET)
                break;
            return defaulted(ps);
        default:
            defaulted(ps);
            return JSON_OTHER;
        }
        /* Only closing tokens reach here. */
        if ((rc = close_container(ps)))
            return rc;
    }
}

int json_parse_text_pieces(const char* text, size_t piece, json_node** root)
{
    if (root)
        *root = NULL;
    if (!text || !root || piece == 0)
        return JSON_OTHER;
    parser ps;
    memset(&ps, 0, sizeof ps);
    ps.sc.line = 1;
    char* buf = (char*)calloc(piece + 1, 1);
    if (!buf)
        return JSON_NO_MEMORY;
    const size_t total = strlen(text);
    int rc = JSON_INCOMPLETE;
    for (size_t off = 0; off < total; off += piece) {
        const size_t n = total - off < piece ? total - off : piece;
        memcpy(buf, text + off, n);
        buf[n] = '\0';
        rc = parse_piece(&ps, buf);
        if (rc != JSON_INCOMPLETE && rc != JSON_COMPLETE)
            break;
    }
    free(buf);
    sb_free(&ps.sc.tok);
    if (rc == JSON_COMPLETE) {
        *root = ps.root;
        return JSON_OK;
    }
    json_free_tree(&ps.root);
    return rc == JSON_INCOMPLETE ? JSON_OTHER : rc;
}

int json_parse_text(const char* text, json_node** root)
{
    return json_parse_text_pieces(text, 1024, root);
}

/* ---- writer ---- */

static int is_label(const json_node* n)
{
    return n->kind == JSON_STRING && (!n->parent || n->parent->kind == JSON_OBJECT);
}

int json_to_text(const json_node* root, char** text)
{
    if (text)
        *text = NULL;
    if (!root || !text)
        return JSON_BAD_STRUCTURE;
    strbuf out = {NULL, 0, 0};
    int rc = sb_reserve(&out, 0) ? JSON_OK : JSON_NO_MEMORY;
    if (rc == JSON_OK)
        out.data[0] = '\0';
    const json_node* n = root;
    while (rc == JSON_OK) {
        int ok = 1;
        if (n != root && n->previous)
            ok = sb_put(&out, ',');
        switch (n->kind) {
        case JSON_OBJECT:
            ok = ok && sb_put(&out, '{');
            break;
        case JSON_ARRAY:
            ok = ok && sb_put(&out, '[');
            break;
        case JSON_STRING: {
            const char* t = n->text ? n->text : "";
            ok = ok && sb_put(&out, '"') && sb_append(&out, t, strlen(t)) && sb_put(&out, '"');
            if (is_label(n)) {
                if (!n->firstChild) {
                    rc = JSON_BAD_STRUCTURE;
                    continue;
                }
                ok = ok && sb_put(&out, ':');
            }
            break;
        }
        case JSON_NUMBER: {
            const char* t = n->text ? n->text : "";
            ok = ok && sb_append(&out, t, strlen(t));
            break;
        }
        case JSON_TRUE:
            ok = ok && sb_append(&out, "true", 4);
            break;
        case JSON_FALSE:
            ok = ok && sb_append(&out, "false", 5);
            break;
        case JSON_NULL:
            ok = ok && sb_append(&out, "null", 4);
            break;
        default:
            rc = JSON_BAD_STRUCTURE;
            continue;
        }
        if (!ok) {
            rc = JSON_NO_MEMORY;
            continue;
        }
        if (n->firstChild) {
            n = n->firstChild;
            continue;
        }
        /* Close this node and every ancestor whose last child it ends. */
        for (;;) {
            if (n->kind == JSON_OBJECT)
                ok = sb_put(&out, '}');
            else if (n->kind == JSON_ARRAY)
                ok = sb_put(&out, ']');
            if (!ok || n == root || n->next)
                break;
            n = n->parent;
        }
        if (!ok)
            rc = JSON_NO_MEMORY;
        else if (n == root)
            break;
        else
            n = n->next;
    }
    if (rc != JSON_OK) {
        sb_free(&out);
        return rc;
    }
    *text = out.data;
    return JSON_OK;
}
