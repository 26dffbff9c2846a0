// ajson: a small pull reader for JSON texts that fills plain records field by
// field, by key name, without building a document tree.
//
// A record type describes its fields with AJSON_FIELDS(a, b, c): the names are
// the member names, so the JSON keys "a", "b" and "c" fill those members. Where
// a key cannot be a member name, AJSON_NAMED_FIELDS("key1, key2", m1, m2) gives
// the keys as one text. Supported field types: std::string, signed and unsigned
// integers of 8, 16, 32 and 64 bits (read as the signed type of that width),
// char[N] fixed texts, std::vector of any supported type and nested records.
//
// The reader is lenient (comments, bare words, quoted numbers, trailing commas
// in arrays) and strict about where objects and arrays start. Every rejection
// throws ajson::exception whose text names the line and column.
#ifndef PELMAR_AJSON_H
#define PELMAR_AJSON_H

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>
#include <vector>

class ajson {
public:
    class exception : public std::exception {
    public:
        explicit exception(std::string message) : message_(std::move(message)) {}
        const char* what() const noexcept override { return message_.c_str(); }

    private:
        std::string message_;
    };

    // Token kinds, in this numbering.
    enum Kind : int { String = 0, Negative = 1, Unsigned = 2, Floating = 3, Symbol = 4, End = 5 };

    struct Token {
        Kind kind = End;
        const char* text = nullptr;  // first byte, inside the input
        std::size_t length = 0;
        uint64_t magnitude = 0;
        double value = 0.0;  // magnitude of a floating token
        bool negative = false;
        double scale = 0.1;
        int64_t exponent = 0;
    };

    // The field names of one record type, split once at commas and blanks.
    class field_names {
    public:
        explicit field_names(const char* list);
        // Index of the name equal to [key, key + length), or -1.
        int find(const char* key, std::size_t length) const;
        std::size_t size() const { return names_.size(); }

    private:
        std::vector<std::string> names_;
    };

    // A null text or a length of 0 is an empty input; reading stops at the
    // length or at a NUL byte, whichever comes first.
    ajson(const char* text, std::size_t length);

    // Reads one value of `record`'s type from the text: an object for a record,
    // an array for a vector. Text after that value is not examined.
    template <class T>
    static void parse(T& record, const char* text, std::size_t length)
    {
        ajson reader(text, length);
        reader.next();
        reader.read_value(record);
    }

    // Tokenizer.
    void next();
    const Token& token() const { return token_; }
    std::size_t line() const { return line_; }
    std::size_t column() const { return column_; }
    bool is_symbol(char c) const { return token_.kind == Symbol && *token_.text == c; }

    // Value readers: each reads the current token(s) and leaves the token after
    // the value current.
    template <class T>
    void read_value(T& field);
    template <class T>
    void read_object(T& record);
    template <class T>
    void read_array(std::vector<T>& elements);
    void read_string(std::string& field);
    int64_t read_integer(unsigned bits);
    void read_fixed_text(char* field, std::size_t width);
    void skip_value();

    // Decodes the escapes of a string token's text into `out`; false when an
    // escape is malformed.
    static bool decode(const char* text, std::size_t length, std::string& out);

    [[noreturn]] void fail(const char* message) const;

    template <class F, class... Fields>
    static void visit_nth(std::size_t index, F&& f, Fields&... fields)
    {
        std::size_t i = 0;
        ((i++ == index ? (void)f(fields) : (void)0), ...);
    }

private:
    template <class T, class = void>
    struct is_record : std::false_type {};
    template <class T>
    struct is_record<T, std::void_t<decltype(T::ajson_field_names())>> : std::true_type {};
    template <class T>
    struct is_vector : std::false_type {};
    template <class T, class A>
    struct is_vector<std::vector<T, A>> : std::true_type {};

    bool at_end() const { return pos_ >= length_ || text_[pos_] == '\0'; }
    unsigned char peek() const { return static_cast<unsigned char>(text_[pos_]); }
    void advance();
    void scan_number();
    void skip_value(unsigned depth);
    void begin_container();
    void end_container();

    const char* text_;
    std::size_t length_;
    std::size_t pos_ = 0;
    std::size_t line_ = 0;
    std::size_t column_ = 0;
    unsigned depth_ = 0;  // open objects and arrays of the records being read
    Token token_;
};

template <class T>
void ajson::read_value(T& field)
{
    if constexpr (std::is_same_v<T, std::string>) {
        read_string(field);
    } else if constexpr (std::is_same_v<T, bool>) {
        field = read_integer(32) != 0;
    } else if constexpr (std::is_integral_v<T>) {
        static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8, "integer width");
        // Truncate to the width as the signed type, then store the bits.
        using S = std::make_signed_t<T>;
        field = static_cast<T>(static_cast<S>(read_integer(8 * sizeof(T))));
    } else if constexpr (std::is_array_v<T> && std::is_same_v<std::remove_extent_t<T>, char>) {
        read_fixed_text(field, std::extent_v<T>);
    } else if constexpr (is_vector<T>::value) {
        read_array(field);
    } else {
        static_assert(is_record<T>::value, "ajson: field type not supported");
        read_object(field);
    }
}

template <class T>
void ajson::read_object(T& record)
{
    if (!is_symbol('{'))
        fail("read object must start with {!");
    begin_container();
    next();
    if (is_symbol('}')) {
        end_container();
        return;
    }
    const field_names& names = T::ajson_field_names();
    while (true) {
        if (token_.kind != String)
            fail("object key must be string");
        int index = names.find(token_.text, token_.length);
        next();
        if (!is_symbol(':'))
            fail("invalid json document!");
        next();
        if (index < 0)
            skip_value();
        else
            record.ajson_field(static_cast<std::size_t>(index), [this](auto& f) { this->read_value(f); });
        if (is_symbol('}')) {
            end_container();
            return;
        }
        if (!is_symbol(','))
            fail("invalid json document!");
        next();
    }
}

template <class T>
void ajson::read_array(std::vector<T>& elements)
{
    if (!is_symbol('['))
        fail("array must start with [.");
    begin_container();
    while (true) {
        next();
        if (is_symbol(']')) {
            end_container();
            return;
        }
        elements.emplace_back();
        read_value(elements.back());
        if (is_symbol(','))
            continue;
        if (is_symbol(']')) {
            end_container();
            return;
        }
        fail("no valid array!");
    }
}

// Declares the fields of a record; the member names are the JSON keys.
#define AJSON_FIELDS(...) AJSON_NAMED_FIELDS(#__VA_ARGS__, __VA_ARGS__)

// Declares the fields of a record with their keys given as one text.
#define AJSON_NAMED_FIELDS(names, ...)                                              \
    static const ajson::field_names& ajson_field_names()                            \
    {                                                                               \
        static const ajson::field_names ajson_names_(names);                        \
        return ajson_names_;                                                        \
    }                                                                               \
    template <class AjsonVisitor>                                                   \
    void ajson_field(std::size_t ajson_field_index_, AjsonVisitor&& ajson_visitor_) \
    {                                                                               \
        ajson::visit_nth(ajson_field_index_, ajson_visitor_, __VA_ARGS__);          \
    }

#endif
