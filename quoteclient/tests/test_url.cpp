// URL parsing: parts, normalisation, query pairs and every rejection text.
#include <gtest/gtest.h>

#include "url.h"

namespace {

struct BadUrl {
    std::string text;
    std::string message;
};

std::string messageOf(const std::string& text)
{
    Url url(text);
    try {
        url.host();
    } catch (const Url::parse_error& e) {
        return e.what();
    }
    return "<parsed>";
}

TEST(Url, RejectionsGiveTheirExactTexts)
{
    const std::string longText = "http://h/" + std::string(8001 - 9, 'a');
    const BadUrl table[] = {
        {longText, "URI is longer than 8000 characters"},
        {"1http://x", "Scheme in '1http://x' is invalid"},
        {":x", "Scheme in ':x' is invalid"},
        {"ht_tp://x", "Scheme in 'ht_tp://x' is invalid"},
        {"http://a%20b@host/", "User info in 'http://a%20b@host/' is invalid"},
        {"http://[::1/", "Missing ] in 'http://[::1/'"},
        {"http://[zz]/", "Host address in 'http://[zz]/' is invalid"},
        {"http://[1]/", "Host address in 'http://[1]/' is invalid"},
        {"http://[vz.a]/", "Host address in 'http://[vz.a]/' is invalid"},
        {"http://[::1]x/", "Host address in 'http://[::1]x/' is invalid"},
        {"http://[1:2:3]/", "IPv6 [1:2:3] is invalid"},
        {"http://ho st/", "Host address in 'http://ho st/' is invalid"},
        {"http://h:65536/", "Port '65536' in 'http://h:65536/' is invalid"},
        {"http://h:080/", "Port '080' in 'http://h:080/' is invalid"},
        {"http://h:/", "Port '' in 'http://h:/' is invalid"},
        {"http://h:12a", "Port '12a' in 'http://h:12a' is invalid"},
        {"http://[::1]:99999/", "Port '99999' in 'http://[::1]:99999/' is invalid"},
        {"http://h/a b", "Path '/a b' in 'http://h/a b' is invalid"},
        {"a^b", "Path 'a^b' in 'a^b' is invalid"},
        {"http://h/#fr ag", "Fragment 'fr ag' in 'http://h/#fr ag' is invalid"},
        {"http://h/?k|=1", "Query key 'k|' in 'http://h/?k|=1' is invalid"},
        {"http://h/?k=v|", "Query value 'v|' in 'http://h/?k=v|' is invalid"},
        {"http://h/a%2", "Invalid percent encoding"},
        {"http://h/a%zz", "Invalid percent encoding"},
        {"http://h/?a=%G1", "Invalid percent encoding"},
    };
    for (const auto& row : table)
        EXPECT_EQ(messageOf(row.text), row.message) << "for " << row.text.substr(0, 60);
}

struct GoodUrl {
    std::string text;
    std::string scheme, userInfo, host, port, path, fragment;
    Url::HostKind kind;
};

TEST(Url, PartsAreSplitDecodedAndNormalised)
{
    using K = Url::HostKind;
    const GoodUrl table[] = {
        {"", "", "", "", "", "", "", K::None},
        {"tcp://127.0.0.1:7709?encrypt_key=abc", "tcp", "", "127.0.0.1", "7709", "", "", K::IPv4},
        {"HTTP://MyHost:65535/a/./b/../c/#frag", "http", "", "myhost", "65535", "/a/c/", "frag", K::Name},
        {"http://a:b@h/x", "http", "a:b", "h", "", "/x", "", K::Name},
        {"http://h/a/..", "http", "", "h", "", "/", "", K::Name},
        {"http://h/a/b/..", "http", "", "h", "", "/a", "", K::Name},
        {"http://h/a/.", "http", "", "h", "", "/a/", "", K::Name},
        {"http://h//x//y", "http", "", "h", "", "/x/y", "", K::Name},
        {"http://h", "http", "", "h", "", "", "", K::Name},
        {"http://h:0/", "http", "", "h", "0", "/", "", K::Name},
        {"http://1.2.3/", "http", "", "1.2.3", "", "/", "", K::Name},
        {"http://[::1]:8080/x", "http", "", "::1", "8080", "/x", "", K::IPv6},
        {"http://[0:0:0:0:0:0:0:1]/", "http", "", "::1", "", "/", "", K::IPv6},
        {"http://[v7.abc]/", "http", "", "v7.abc", "", "/", "", K::IPvFuture},
        {"http:///p", "http", "", "", "", "/p", "", K::Name},
        {"mailto:user@example.com", "mailto", "", "", "", "user@example.com", "", K::None},
        {"a/b/%41", "", "", "", "", "a/b/A", "", K::None},
        {"/p+q", "", "", "", "", "/p+q", "", K::None},
        {"plain", "", "", "", "", "plain", "", K::None},
        {"http://h/#a%zz", "http", "", "h", "", "/", "a%zz", K::Name},
    };
    for (const auto& row : table) {
        Url url(row.text);
        try {
            EXPECT_EQ(url.scheme(), row.scheme) << row.text;
            EXPECT_EQ(url.user_info(), row.userInfo) << row.text;
            EXPECT_EQ(url.host(), row.host) << row.text;
            EXPECT_EQ(url.port(), row.port) << row.text;
            EXPECT_EQ(url.path(), row.path) << row.text;
            EXPECT_EQ(url.fragment(), row.fragment) << row.text;
            EXPECT_EQ(url.host_kind(), row.kind) << row.text;
        } catch (const Url::parse_error& e) {
            ADD_FAILURE() << row.text << " threw " << e.what();
        }
    }
}

TEST(Url, QueryPairsKeepOrderAndDecode)
{
    Url url("http://h/?a=1&b=x+y%21;c&a=2&k%2B=%2B");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a", "1"}, {"b", "x y!"}, {"c", ""}, {"a", "2"}, {"k+", "+"}};
    EXPECT_EQ(url.query_pairs(), expected);
    EXPECT_EQ(url.query("a"), "1");
    EXPECT_EQ(url.query("c", "d"), "");
    EXPECT_EQ(url.query("missing", "d"), "d");
    EXPECT_EQ(url.query("A", "none"), "none");
}

TEST(Url, EngineKeysAreReadFromTheServerUrl)
{
    Url url("tcp://127.0.0.1:7709/?auto_delay=250&encrypt_key=k%3D1");
    EXPECT_EQ(url.query("auto_delay", "1000"), "250");
    EXPECT_EQ(url.query("encrypt_key"), "k=1");
}

TEST(Url, LengthLimitIsInclusive)
{
    const std::string exact = "http://h/" + std::string(8000 - 9, 'a');
    ASSERT_EQ(exact.size(), 8000u);
    Url url(exact);
    EXPECT_NO_THROW(url.path());
    EXPECT_EQ(url.path().size(), 8000u - 8);
}

TEST(Url, ParsesLazilyAndStaysUnparsedAfterAFailure)
{
    Url url("http://h:99999/");
    // Construction checks nothing; every access parses again and throws again.
    EXPECT_THROW(url.scheme(), Url::parse_error);
    EXPECT_THROW(url.query("a"), Url::parse_error);
    EXPECT_THROW(url.path(), Url::parse_error);
    // The error type is the standard invalid-argument error.
    EXPECT_THROW(url.host(), std::invalid_argument);
}

}  // namespace
