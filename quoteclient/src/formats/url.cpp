#include "url.h"

#include <arpa/inet.h>

#include <array>
#include <cstdint>

namespace {

// Character classes, one bit per class.
enum : uint8_t {
    kPlain = 1,
    kAt = 2,
    kColon = 4,
    kSlash = 8,
    kQuestion = 16,
    kPercent = 32,
};

constexpr uint8_t kUserInfoSet = kPlain | kColon;
constexpr uint8_t kHostNameSet = kPlain;
constexpr uint8_t kPathSet = kPlain | kAt | kColon | kSlash | kPercent;
constexpr uint8_t kAnySet = kPlain | kAt | kColon | kSlash | kQuestion | kPercent;

constexpr std::array<uint8_t, 256> makeClasses()
{
    std::array<uint8_t, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] = kPlain;
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = kPlain;
    for (int c = '0'; c <= '9'; ++c)
        t[c] = kPlain;
    for (char c : {'-', '.', '_', '~', '!', '$', '&', '\'', '(', ')', '*', '+', ',', ';', '='})
        t[static_cast<unsigned char>(c)] = kPlain;
    t['@'] = kAt;
    t[':'] = kColon;
    t['/'] = kSlash;
    t['?'] = kQuestion;
    t['%'] = kPercent;
    return t;
}

constexpr std::array<uint8_t, 256> kClasses = makeClasses();

bool allIn(const std::string& s, uint8_t set)
{
    for (unsigned char c : s)
        if ((kClasses[c] & set) == 0)
            return false;
    return true;
}

bool isAlpha(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}
bool isHex(unsigned char c)
{
    return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int hexValue(unsigned char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

void lowerAscii(std::string& s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

// Decodes %XX escapes; in query texts "+" also becomes a blank.
std::string percentDecode(const std::string& s, bool plusIsBlank)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '%') {
            if (i + 2 >= s.size())
                throw Url::parse_error("Invalid percent encoding");
            unsigned char h = static_cast<unsigned char>(s[i + 1]);
            unsigned char l = static_cast<unsigned char>(s[i + 2]);
            if (!isHex(h) || !isHex(l))
                throw Url::parse_error("Invalid percent encoding");
            out.push_back(static_cast<char>(hexValue(h) * 16 + hexValue(l)));
            i += 2;
        } else if (c == '+' && plusIsBlank) {
            out.push_back(' ');
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

// Removes "." and ".." segments of a decoded path.
std::string removeDotSegments(const std::string& path)
{
    std::vector<std::string> kept;
    std::size_t start = 0;
    while (true) {
        std::size_t slash = path.find('/', start);
        bool last = slash == std::string::npos;
        std::string seg = path.substr(start, last ? std::string::npos : slash - start);
        if (!last) {
            if (seg.empty() || seg == ".") {
                // dropped
            } else if (seg == "..") {
                if (!kept.empty())
                    kept.pop_back();
            } else {
                kept.push_back(std::move(seg));
            }
            start = slash + 1;
            continue;
        }
        if (seg == ".") {
            kept.emplace_back();
        } else if (seg == "..") {
            if (!kept.empty())
                kept.pop_back();
        } else {
            kept.push_back(std::move(seg));
        }
        break;
    }
    std::string out;
    if (!path.empty() && path[0] == '/')
        out.push_back('/');
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i)
            out.push_back('/');
        out += kept[i];
    }
    return out;
}

std::string normaliseIPv6(const std::string& address)
{
    unsigned char bytes[16];
    char text[INET6_ADDRSTRLEN];
    if (inet_pton(AF_INET6, address.c_str(), bytes) != 1 || !inet_ntop(AF_INET6, bytes, text, sizeof text))
        throw Url::parse_error("IPv6 [" + address + "] is invalid");
    return text;
}

}  // namespace

Url::Url(std::string text) : text_(std::move(text)) {}

void Url::ensure_parsed() const
{
    if (parsed_)
        return;
    parts_ = parse(text_);
    parsed_ = true;
}

const std::string& Url::scheme() const
{
    ensure_parsed();
    return parts_.scheme;
}
const std::string& Url::user_info() const
{
    ensure_parsed();
    return parts_.user_info;
}
const std::string& Url::host() const
{
    ensure_parsed();
    return parts_.host;
}
const std::string& Url::port() const
{
    ensure_parsed();
    return parts_.port;
}
const std::string& Url::path() const
{
    ensure_parsed();
    return parts_.path;
}
const std::string& Url::fragment() const
{
    ensure_parsed();
    return parts_.fragment;
}
Url::HostKind Url::host_kind() const
{
    ensure_parsed();
    return parts_.host_kind;
}

const std::vector<std::pair<std::string, std::string>>& Url::query_pairs() const
{
    ensure_parsed();
    return parts_.query;
}

std::string Url::query(const std::string& key, const std::string& fallback) const
{
    ensure_parsed();
    for (const auto& kv : parts_.query)
        if (kv.first == key)
            return kv.second;
    return fallback;
}

Url::Parts Url::parse(const std::string& text)
{
    Parts p;
    if (text.empty())
        return p;
    if (text.size() > kMaxLength)
        throw parse_error("URI is longer than 8000 characters");

    const std::size_t n = text.size();
    std::size_t pos = 0;
    std::string path;
    std::string query;
    std::string fragment;
    bool hasQuery = false;
    bool hasFragment = false;

    std::size_t first = text.find_first_of(":/?#");
    if (first == std::string::npos) {
        // No delimiter at all: the whole text is a path.
        path = text;
        pos = n;
    } else {
        if (text[first] == ':') {
            std::string scheme = text.substr(0, first);
            bool ok = !scheme.empty() && isAlpha(static_cast<unsigned char>(scheme[0]));
            for (std::size_t i = 1; ok && i < scheme.size(); ++i) {
                unsigned char c = static_cast<unsigned char>(scheme[i]);
                ok = isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
            }
            if (!ok)
                throw parse_error("Scheme in '" + text + "' is invalid");
            lowerAscii(scheme);
            p.scheme = std::move(scheme);
            pos = first + 1;
        }

        if (text.compare(pos, 2, "//") == 0) {
            std::size_t aStart = pos + 2;
            std::size_t aEnd = text.find_first_of("/?#", aStart);
            if (aEnd == std::string::npos)
                aEnd = n;
            std::string authority = text.substr(aStart, aEnd - aStart);
            std::size_t h = 0;
            std::size_t at = authority.find('@');
            if (at != std::string::npos) {
                std::string userInfo = authority.substr(0, at);
                if (!allIn(userInfo, kUserInfoSet))
                    throw parse_error("User info in '" + text + "' is invalid");
                p.user_info = percentDecode(userInfo, false);
                h = at + 1;
            }
            std::size_t afterHost;
            if (h < authority.size() && authority[h] == '[') {
                std::size_t close = authority.find(']', h);
                if (close == std::string::npos)
                    throw parse_error("Missing ] in '" + text + "'");
                std::string inside = authority.substr(h + 1, close - h - 1);
                bool ok;
                if (!inside.empty() && inside[0] == 'v') {
                    ok = inside.size() >= 4 && isHex(static_cast<unsigned char>(inside[1])) && inside[2] == '.' &&
                         allIn(inside.substr(3), kUserInfoSet);
                    if (ok) {
                        p.host = inside;
                        p.host_kind = HostKind::IPvFuture;
                    }
                } else {
                    ok = inside.size() >= 2 && inside.size() <= 254;
                    for (std::size_t i = 0; ok && i < inside.size(); ++i) {
                        unsigned char c = static_cast<unsigned char>(inside[i]);
                        ok = isHex(c) || c == ':' || c == '.';
                    }
                    if (ok) {
                        p.host = inside;  // normalised once the path and fragment passed
                        p.host_kind = HostKind::IPv6;
                    }
                }
                if (!ok)
                    throw parse_error("Host address in '" + text + "' is invalid");
                afterHost = close + 1;
                // Only a port may follow the closing bracket.
                if (afterHost < authority.size() && authority[afterHost] != ':')
                    throw parse_error("Host address in '" + text + "' is invalid");
            } else {
                std::size_t colon = authority.find(':', h);
                afterHost = colon == std::string::npos ? authority.size() : colon;
                std::string host = authority.substr(h, afterHost - h);
                bool ipv4 = host.size() >= 7 && host.size() <= 254;
                for (std::size_t i = 0; ipv4 && i < host.size(); ++i)
                    ipv4 = isDigit(static_cast<unsigned char>(host[i])) || host[i] == '.';
                if (ipv4) {
                    p.host = host;
                    p.host_kind = HostKind::IPv4;
                } else {
                    if (!allIn(host, kHostNameSet))
                        throw parse_error("Host address in '" + text + "' is invalid");
                    p.host = percentDecode(host, false);
                    lowerAscii(p.host);
                    p.host_kind = HostKind::Name;
                }
            }
            if (afterHost < authority.size()) {
                // authority[afterHost] is ':'
                std::string port = authority.substr(afterHost + 1);
                bool ok = !port.empty() && port.size() <= 5 && (port.size() == 1 || port[0] != '0');
                uint32_t value = 0;
                for (std::size_t i = 0; ok && i < port.size(); ++i) {
                    ok = isDigit(static_cast<unsigned char>(port[i]));
                    value = value * 10 + static_cast<uint32_t>(port[i] - '0');
                }
                if (!ok || value > 65535)
                    throw parse_error("Port '" + port + "' in '" + text + "' is invalid");
                p.port = port;
            }
            pos = aEnd;
        }

        std::size_t pathEnd = text.find_first_of("?#", pos);
        if (pathEnd == std::string::npos)
            pathEnd = n;
        path = text.substr(pos, pathEnd - pos);
        pos = pathEnd;
        if (pos < n && text[pos] == '?') {
            std::size_t hash = text.find('#', pos + 1);
            std::size_t qEnd = hash == std::string::npos ? n : hash;
            query = text.substr(pos + 1, qEnd - pos - 1);
            hasQuery = true;
            pos = qEnd;
        }
        if (pos < n && text[pos] == '#') {
            fragment = text.substr(pos + 1);
            hasFragment = true;
        }
    }

    if (!allIn(path, kPathSet))
        throw parse_error("Path '" + path + "' in '" + text + "' is invalid");
    if (hasFragment && !allIn(fragment, kAnySet))
        throw parse_error("Fragment '" + fragment + "' in '" + text + "' is invalid");

    if (p.host_kind == HostKind::IPv6)
        p.host = normaliseIPv6(p.host);
    p.path = removeDotSegments(percentDecode(path, false));

    if (hasQuery) {
        std::size_t start = 0;
        while (start <= query.size()) {
            std::size_t sep = query.find_first_of("&;", start);
            std::size_t end = sep == std::string::npos ? query.size() : sep;
            if (end > start) {
                std::string pair = query.substr(start, end - start);
                std::size_t eq = pair.find('=');
                std::string key = pair.substr(0, eq);
                std::string value = eq == std::string::npos ? std::string() : pair.substr(eq + 1);
                if (!allIn(key, kAnySet))
                    throw parse_error("Query key '" + key + "' in '" + text + "' is invalid");
                if (!allIn(value, kAnySet))
                    throw parse_error("Query value '" + value + "' in '" + text + "' is invalid");
                p.query.emplace_back(percentDecode(key, true), percentDecode(value, true));
            }
            if (sep == std::string::npos)
                break;
            start = sep + 1;
        }
    }
    p.fragment = std::move(fragment);
    return p;
}
