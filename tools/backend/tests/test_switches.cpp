// The back end's failure switches, from the command line and from control
// lines, and its test helpers (status, redirect, echo); gzip bodies are
// checked by unpacking them with zlib's own inflate.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <zlib.h>

#include "httpclient.h"
#include "serverprocess.h"

namespace {

std::string gunzip(const std::string& packed)
{
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return "<inflateInit2 failed>";
    std::string out(1 << 20, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : "<not a whole gzip member>";
}

const std::vector<std::pair<std::string, std::string>> kForm = {{"Content-Type", "application/x-www-form-urlencoded"}};

TEST(BackendSwitches, ControlLinesTurnFailuresOnAndOff)
{
    ServerProcess server("backend", {});
    const int port = server.port();
    ASSERT_GT(port, 0);

    server.control("refuse-login on");
    ASSERT_TRUE(server.wait_line("ok refuse-login on"));
    EXPECT_EQ(text_of(http_request(port, "POST", "/api/login", "username=demo&password=demo", kForm).json(), "result"),
              "false");
    server.control("refuse-login off");
    ASSERT_TRUE(server.wait_line("ok refuse-login off"));
    EXPECT_EQ(text_of(http_request(port, "POST", "/api/login", "username=demo&password=demo", kForm).json(), "result"),
              "true");

    server.control("heartbeat-false on");
    ASSERT_TRUE(server.wait_line("ok heartbeat-false on"));
    const auto beat = http_get(port, "/api/heartbeat?user_id=s1&pcid=x").json();
    EXPECT_EQ(text_of(beat, "result"), "false");
    EXPECT_NE(text_of(beat, "msg"), "<missing>");

    server.control("fail /api/board");
    ASSERT_TRUE(server.wait_line("ok fail /api/board"));
    EXPECT_EQ(http_get(port, "/api/board").status, 500);
    EXPECT_EQ(http_get(port, "/api/stock_rzrq").status, 200);
    server.control("ok /api/board");
    ASSERT_TRUE(server.wait_line("ok ok /api/board"));
    EXPECT_EQ(http_get(port, "/api/board").status, 200);

    // A reply read from a file, octet for octet; a missing file is no switch.
    const std::string file = testing::TempDir() + "backend-answer-file.bin";
    const std::string body("{\"a\":\"\0\xff\"}", 10);
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
    server.control("answer-file /api/board " + file);
    ASSERT_TRUE(server.wait_line("ok answer-file /api/board " + file));
    EXPECT_EQ(http_get(port, "/api/board").body, body);
    server.control("ok /api/board");
    ASSERT_TRUE(server.wait_line("ok ok /api/board"));
    server.control("answer-file /api/board /nonexistent/file");
    EXPECT_TRUE(server.wait_line("unknown answer-file /api/board /nonexistent/file"));

    server.control("frobnicate");
    EXPECT_TRUE(server.wait_line("unknown frobnicate"));
}

TEST(BackendSwitches, GzipDelayAndFailFromTheCommandLine)
{
    ServerProcess server("backend", {"--gzip", "--delay", "/api/marque", "300", "--fail", "/api/notice"});
    const int port = server.port();
    ASSERT_GT(port, 0);
    const TestReply packed = http_get(port, "/api/fast_menu");
    ASSERT_GE(packed.body.size(), 18u);
    EXPECT_EQ(packed.body.substr(0, 3), std::string("\x1f\x8b\x08", 3));
    EXPECT_EQ(packed.headers.count("Content-Encoding"), 0u);
    const std::string plain = gunzip(packed.body);
    EXPECT_EQ(plain.compare(0, 10, "[{\"name\":\""), 0) << plain;

    const auto start = std::chrono::steady_clock::now();
    const TestReply late = http_get(port, "/api/marque");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_EQ(gunzip(late.body).compare(0, 16, "{\"result\":\"true\""), 0);
    EXPECT_EQ(http_get(port, "/api/notice?type=2").status, 500);
}

TEST(BackendSwitches, StatusRedirectCookieAndEchoHelpers)
{
    ServerProcess server("backend", {});
    const int port = server.port();
    const TestReply none = http_get(port, "/status/204");
    EXPECT_EQ(none.status, 204);
    EXPECT_TRUE(none.body.empty());
    EXPECT_EQ(http_get(port, "/status/503").status, 503);
    const TestReply moved = http_get(port, "/redirect?to=%2Fapi%2Fboard");
    EXPECT_EQ(moved.status, 302);
    EXPECT_EQ(moved.header("Location"), "/api/board");
    EXPECT_EQ(http_get(port, "/cookie?name=a&value=1").header("Set-Cookie"), "a=1; Path=/");
    EXPECT_EQ(http_get(port, "/nowhere").status, 404);
    EXPECT_EQ(http_get(port, "/bytes?hex=41ff").body, "A\xff");
    EXPECT_EQ(http_get(port, "/bytes?hex=4x").status, 400);

    const auto echo = http_request(port, "PUT", "/echo?x=1", "body text", {{"SoftwareFlags", "edition"}}).json();
    EXPECT_EQ(text_of(echo, "method"), "PUT");
    EXPECT_EQ(text_of(echo, "target"), "/echo?x=1");
    EXPECT_EQ(text_of(echo, "body"), "body text");
    EXPECT_EQ(text_of(echo["headers"], "softwareflags"), "edition");
    EXPECT_TRUE(server.wait_line("PUT /echo?x=1 SoftwareFlags=edition"));
}

}  // namespace
