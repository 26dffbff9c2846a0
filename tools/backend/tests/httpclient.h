// A blocking HTTP/1.1 client for the back end's tests (Boost.Beast), one
// connection per request, and JSON parsing of the answers.
#ifndef BACKEND_TESTS_HTTPCLIENT_H
#define BACKEND_TESTS_HTTPCLIENT_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <rapidjson/document.h>

struct TestReply {
    int status = 0;
    std::map<std::string, std::string> headers;  // as sent
    std::string body;

    std::string header(const std::string& name) const
    {
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }

    rapidjson::Document json() const
    {
        rapidjson::Document doc;
        doc.Parse(body.data(), body.size());
        return doc;
    }
};

inline TestReply http_request(int port, const std::string& method, const std::string& target,
                              const std::string& body = {},
                              const std::vector<std::pair<std::string, std::string>>& headers = {})
{
    namespace http = boost::beast::http;
    boost::asio::io_context io;
    boost::asio::ip::tcp::socket socket(io);
    socket.connect({boost::asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
    http::request<http::string_body> request(http::string_to_verb(method), target, 11);
    request.set(http::field::host, "127.0.0.1");
    for (const auto& h : headers)
        request.set(h.first, h.second);
    request.body() = body;
    request.prepare_payload();
    http::write(socket, request);
    boost::beast::flat_buffer buffer;
    http::response_parser<http::string_body> parser;
    parser.skip(method == "HEAD");
    parser.body_limit(16 * 1024 * 1024);
    http::read(socket, buffer, parser);
    TestReply reply;
    reply.status = static_cast<int>(parser.get().result_int());
    for (const auto& field : parser.get())
        reply.headers[std::string(field.name_string())] = std::string(field.value());
    reply.body = parser.get().body();
    return reply;
}

inline TestReply http_get(int port, const std::string& target)
{
    return http_request(port, "GET", target);
}

inline std::string text_of(const rapidjson::Value& object, const char* key)
{
    return object.IsObject() && object.HasMember(key) && object[key].IsString() ? object[key].GetString() : "<missing>";
}

#endif
