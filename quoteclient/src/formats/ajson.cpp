#include "ajson.h"

#include <cstdlib>
#include <limits>

#include "saturatingcast.h"

namespace {

// Exponents beyond this cannot give a finite, non-zero double from the short
// mantissas of these inputs; a larger one is rejected instead of looping.
constexpr int64_t kMaxExponent = 400;

// Skipped values nest at most this deep; deeper input is rejected rather than
// exhausting the stack.
constexpr unsigned kMaxSkipDepth = 512;

bool isBlank(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}
bool isSymbolByte(unsigned char c)
{
    return c == '{' || c == '}' || c == '[' || c == ']' || c == ',' || c == ':';
}
bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Keeps the low `bits` bits of v as a signed value of that width.
int64_t truncateSigned(uint64_t v, unsigned bits)
{
    switch (bits) {
    case 8:
        return static_cast<int8_t>(static_cast<uint8_t>(v));
    case 16:
        return static_cast<int16_t>(static_cast<uint16_t>(v));
    case 32:
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    default:
        return static_cast<int64_t>(v);
    }
}

}  // namespace

ajson::field_names::field_names(const char* list)
{
    std::string current;
    for (const char* p = list; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == ',' || isBlank(c)) {
            if (!current.empty())
                names_.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(static_cast<char>(c));
        }
    }
    if (!current.empty())
        names_.push_back(std::move(current));
}

int ajson::field_names::find(const char* key, std::size_t length) const
{
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i].size() == length && names_[i].compare(0, length, key, length) == 0)
            return static_cast<int>(i);
    return -1;
}

ajson::ajson(const char* text, std::size_t length) : text_(text), length_(text ? length : 0) {}

void ajson::fail(const char* message) const
{
    throw exception("error at line :" + std::to_string(line_) + " col :" + std::to_string(column_) + " msg:" + message);
}

// Consumes one byte, keeping line and column.
void ajson::advance()
{
    unsigned char c = peek();
    ++pos_;
    if (c == '\n') {
        ++line_;
        column_ = 0;
    } else if (c != '\r') {
        ++column_;
    }
}

void ajson::next()
{
    token_ = Token();
    while (true) {
        while (!at_end() && isBlank(peek()))
            advance();
        if (at_end()) {
            token_.kind = End;
            return;
        }
        if (peek() != '/')
            break;
        advance();
        if (!at_end() && peek() == '/') {
            while (!at_end() && peek() != '\n')
                advance();
        } else if (!at_end() && peek() == '*') {
            advance();
            bool closed = false;
            while (!at_end()) {
                unsigned char c = peek();
                advance();
                if (c == '*' && !at_end() && peek() == '/') {
                    advance();
                    closed = true;
                    break;
                }
            }
            if (!closed)  // a block comment still open at the end of input
                fail("not a comment!");
        } else {
            fail("not a comment!");
        }
    }

    unsigned char c = peek();
    if (c == '"') {
        advance();
        token_.kind = String;
        token_.text = text_ + pos_;
        while (true) {
            if (at_end())
                fail("not a valid quote string!");
            unsigned char b = peek();
            if (b == '"')
                break;
            advance();
            if (b == '\n')
                fail("not a valid quote string!");
            if (b == '\\') {
                if (at_end())
                    fail("not a valid quote string!");
                advance();
            }
        }
        token_.length = static_cast<std::size_t>(text_ + pos_ - token_.text);
        advance();  // closing quote
        return;
    }
    if (isSymbolByte(c)) {
        token_.kind = Symbol;
        token_.text = text_ + pos_;
        token_.length = 1;
        advance();
        return;
    }
    if (isDigit(c) || c == '-') {
        scan_number();
        return;
    }
    // A bare word runs to the next blank or symbol byte.
    token_.kind = String;
    token_.text = text_ + pos_;
    while (true) {
        if (at_end())
            fail("not a valid string!");
        unsigned char b = peek();
        if (isBlank(b) || isSymbolByte(b))
            break;
        advance();
    }
    token_.length = static_cast<std::size_t>(text_ + pos_ - token_.text);
}

void ajson::scan_number()
{
    token_.text = text_ + pos_;
    if (peek() == '-') {
        token_.kind = Negative;
        token_.negative = true;
        advance();
    } else {
        token_.kind = Unsigned;
    }
    while (!at_end()) {
        unsigned char c = peek();
        if (isDigit(c)) {
            advance();
            unsigned d = c - '0';
            if (token_.kind == Floating) {
                token_.value += d * token_.scale;
                token_.scale *= 0.1;
            } else {
                if (token_.magnitude > (std::numeric_limits<uint64_t>::max() - d) / 10)
                    fail("not a valid number!");
                token_.magnitude = token_.magnitude * 10 + d;
            }
        } else if (c == '.') {
            advance();
            if (token_.kind == Floating)
                fail("not a valid number!");
            token_.kind = Floating;
            token_.value = static_cast<double>(token_.magnitude);
            token_.scale = 0.1;
        } else if (c == 'e' || c == 'E') {
            advance();
            if (token_.kind != Floating) {
                token_.kind = Floating;
                token_.value = static_cast<double>(token_.magnitude);
            }
            bool down = false;
            if (!at_end() && peek() == '-') {
                down = true;
                advance();
            }
            while (!at_end() && isDigit(peek())) {
                token_.exponent = token_.exponent * 10 + (peek() - '0');
                advance();
                if (token_.exponent > kMaxExponent)
                    fail("not a valid number!");
            }
            for (int64_t i = 0; i < token_.exponent; ++i)
                token_.value *= down ? 0.1 : 10.0;
            if (down)
                token_.exponent = -token_.exponent;
            break;
        } else {
            break;
        }
    }
    token_.length = static_cast<std::size_t>(text_ + pos_ - token_.text);
}

void ajson::begin_container()
{
    ++depth_;
}

// Consumes the closing symbol. The top-level value's closing symbol is the
// last thing read: the text after it is not examined.
void ajson::end_container()
{
    if (depth_ > 0)
        --depth_;
    if (depth_ == 0) {
        token_ = Token();
        token_.kind = End;
        return;
    }
    next();
}

bool ajson::decode(const char* text, std::size_t length, std::string& out)
{
    out.clear();
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i >= length)
            return false;
        switch (text[i]) {
        case '"':
            out.push_back('"');
            break;
        case '\\':
            out.push_back('\\');
            break;
        case '/':
            out.push_back('/');
            break;
        case 'b':
            out.push_back('\b');
            break;
        case 'f':
            out.push_back('\f');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'u': {
            if (length - i - 1 < 4)
                return false;
            unsigned cp = 0;
            for (int k = 1; k <= 4; ++k) {
                int h = hexValue(static_cast<unsigned char>(text[i + k]));
                if (h < 0)
                    return false;
                cp = cp * 16 + static_cast<unsigned>(h);
            }
            i += 4;
            if (cp == 0)
                return false;
            if (cp < 0x80) {
                out.push_back(static_cast<char>(cp));
            } else if (cp < 0x800) {
                out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
                out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            } else {
                out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
                out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            }
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

void ajson::read_string(std::string& field)
{
    if (token_.kind != String || !decode(token_.text, token_.length, field))
        fail("not a valid string.");
    next();
}

void ajson::read_fixed_text(char* field, std::size_t width)
{
    std::string text;
    if (token_.kind != String || !decode(token_.text, token_.length, text))
        fail("not a valid string.");
    std::size_t n = text.size() < width ? text.size() : width;
    for (std::size_t i = 0; i < n; ++i)
        field[i] = text[i];
    if (n < width)
        field[n] = '\0';
    next();
}

int64_t ajson::read_integer(unsigned bits)
{
    int64_t result = 0;
    switch (token_.kind) {
    case String: {
        const char* t = token_.text;
        if (token_.length == 4 && (t[0] | 0x20) == 't' && (t[1] | 0x20) == 'r' && (t[2] | 0x20) == 'u' &&
            (t[3] | 0x20) == 'e') {
            result = 1;
            break;
        }
        // Base-10 text as the C library converts it; fields narrower than 64
        // bits use the 32-bit conversion, which saturates at its limits.
        std::string copy(t, token_.length);
        long long v = std::strtoll(copy.c_str(), nullptr, 10);
        if (bits < 64) {
            if (v > std::numeric_limits<int32_t>::max())
                v = std::numeric_limits<int32_t>::max();
            else if (v < std::numeric_limits<int32_t>::min())
                v = std::numeric_limits<int32_t>::min();
        }
        result = truncateSigned(static_cast<uint64_t>(v), bits);
        break;
    }
    case Unsigned:
        result = truncateSigned(token_.magnitude, bits);
        break;
    case Negative:
        result = truncateSigned(0 - token_.magnitude, bits);
        break;
    case Floating: {
        // Toward zero, saturating at the limits of the field's width.
        const double v = token_.negative ? -token_.value : token_.value;
        switch (bits) {
        case 8:
            result = tarvolin::saturatingCast<int8_t>(v);
            break;
        case 16:
            result = tarvolin::saturatingCast<int16_t>(v);
            break;
        case 32:
            result = tarvolin::saturatingCast<int32_t>(v);
            break;
        default:
            result = tarvolin::saturatingCast<int64_t>(v);
            break;
        }
        break;
    }
    default:
        fail("not a valid signed integral like number.");
    }
    next();
    return result;
}

void ajson::skip_value()
{
    skip_value(0);
}

void ajson::skip_value(unsigned depth)
{
    if (token_.kind == String || token_.kind == Negative || token_.kind == Unsigned || token_.kind == Floating) {
        next();
        return;
    }
    if (depth >= kMaxSkipDepth && (is_symbol('[') || is_symbol('{')))
        fail("invalid json document!");
    if (is_symbol('[')) {
        next();
        while (true) {
            if (is_symbol(']')) {
                next();
                return;
            }
            // An element that cannot be skipped would never advance.
            if (token_.kind == End || is_symbol('}') || is_symbol(':'))
                fail("no valid array!");
            skip_value(depth + 1);
            if (is_symbol(','))
                next();
        }
    }
    if (is_symbol('{')) {
        next();
        while (true) {
            if (is_symbol('}')) {
                next();
                return;
            }
            if (token_.kind != String && token_.kind != Negative && token_.kind != Unsigned && token_.kind != Floating)
                fail("invalid json document!");
            next();
            if (!is_symbol(':'))
                fail("invalid json document!");
            next();
            skip_value(depth + 1);
            if (is_symbol(','))
                next();
        }
    }
    // An end token or another symbol is left in place.
}
