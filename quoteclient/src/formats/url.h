// Url: splits a URL text into its parts, validates them against a fixed
// character classification, decodes percent escapes and answers query lookups.
// The text is parsed lazily, on the first access to any part; an object is
// used by one thread at a time.
#ifndef PELMAR_URL_H
#define PELMAR_URL_H

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class Url {
public:
    // Every rejection of the text; the message names the URL and the part.
    class parse_error : public std::invalid_argument {
    public:
        using std::invalid_argument::invalid_argument;
    };

    enum class HostKind { None, Name, IPv4, IPv6, IPvFuture };

    // Longest text accepted, in bytes.
    static constexpr std::size_t kMaxLength = 8000;

    Url() = default;
    explicit Url(std::string text);

    const std::string& text() const { return text_; }

    // The decoded parts, empty when absent. Each parses first when needed and
    // throws parse_error when the text does not parse.
    const std::string& scheme() const;
    const std::string& user_info() const;
    const std::string& host() const;
    const std::string& port() const;
    const std::string& path() const;
    const std::string& fragment() const;
    HostKind host_kind() const;
    const std::vector<std::pair<std::string, std::string>>& query_pairs() const;

    // The value of the first query pair whose key equals `key` (bytewise),
    // else `fallback`.
    std::string query(const std::string& key, const std::string& fallback = std::string()) const;

private:
    struct Parts {
        std::string scheme, user_info, host, port, path, fragment;
        std::vector<std::pair<std::string, std::string>> query;
        HostKind host_kind = HostKind::None;
    };

    void ensure_parsed() const;
    static Parts parse(const std::string& text);

    std::string text_;
    // Lazily filled cache of the parse; set only when the parse succeeded.
    mutable bool parsed_ = false;
    mutable Parts parts_;
};

#endif
