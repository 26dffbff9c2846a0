#include "backend.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

std::string gzip_pack(const std::string& data)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END ? out : std::string();
}

namespace {

// One connection: read a request, answer it (after its delay), repeat.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, Services& services, const Switches& switches,
            const std::function<void(const std::string&)>& event)
        : stream_(std::move(socket)), timer_(stream_.get_executor()), services_(services), switches_(switches),
          event_(event)
    {}

    void run() { read(); }

private:
    void read()
    {
        request_ = {};
        parser_.emplace();
        parser_->body_limit(4 * 1024 * 1024);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, size_t) { self->on_read(ec); });
    }

    void on_read(beast::error_code ec)
    {
        if (ec) {
            if (ec != http::error::end_of_stream)
                stream_.socket().close(ec);
            return;
        }
        request_ = parser_->release();
        HttpIn in;
        in.method = std::string(request_.method_string());
        in.target = std::string(request_.target());
        const size_t q = in.target.find('?');
        in.path = percent_decode(in.target.substr(0, q), false);
        if (q != std::string::npos)
            in.query = parse_pairs(in.target.substr(q + 1));
        for (const auto& field : request_) {
            std::string name(field.name_string());
            for (char& ch : name)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            in.headers[name] = std::string(field.value());
        }
        in.body = request_.body();

        std::string line = in.method + " " + in.target;
        if (!in.header("softwareflags").empty())
            line += " SoftwareFlags=" + in.header("softwareflags");
        if (!in.header("user-agent").empty())
            line += " User-Agent=" + in.header("user-agent");
        event_(line);

        std::string given;
        if (switches_.fails(in.path)) {
            out_ = HttpOut{};
            out_.status = 500;
            out_.body = "{\"code\":\"9999\",\"msg\":\"服务暂不可用\"}";
        } else if (switches_.answer(in.path, &given)) {
            out_ = HttpOut{};
            out_.content_type = !given.empty() && given[0] == '<' ? "text/html; charset=utf-8" : "application/json";
            out_.body = std::move(given);
        } else {
            out_ = services_.answer(in);
            if (switches_.gzip() && !out_.body.empty() && out_.content_type.compare(0, 16, "application/json") == 0) {
                out_.body = gzip_pack(out_.body);
                out_.content_type = "application/octet-stream";
            }
        }
        // "/sleep?ms=N" is the echo answered after N ms, for clients' time-outs.
        const int delay = in.path == "/sleep" ? std::min(std::max(std::atoi(in.param("ms").c_str()), 0), 600000)
                                              : switches_.delay_ms(in.path);
        if (delay <= 0) {
            write();
            return;
        }
        timer_.expires_after(std::chrono::milliseconds(delay));
        timer_.async_wait([self = shared_from_this()](beast::error_code wait_ec) {
            if (!wait_ec)
                self->write();
        });
    }

    void write()
    {
        auto response = std::make_shared<http::response<http::string_body>>(static_cast<http::status>(out_.status),
                                                                            request_.version());
        response->set(http::field::server, "backend");
        if (!out_.body.empty() || out_.status != 204)
            response->set(http::field::content_type, out_.content_type);
        for (const auto& h : out_.headers)
            response->set(h.first, h.second);
        response->body() = std::move(out_.body);
        response->keep_alive(request_.keep_alive());
        response->prepare_payload();
        http::async_write(stream_, *response, [self = shared_from_this(), response](beast::error_code ec, size_t) {
            if (ec)
                return;
            if (!response->keep_alive()) {
                beast::error_code ignored;
                self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                return;
            }
            self->read();
        });
    }

    beast::tcp_stream stream_;
    asio::steady_timer timer_;
    beast::flat_buffer buffer_;
    boost::optional<http::request_parser<http::string_body>> parser_;
    http::request<http::string_body> request_;
    HttpOut out_;
    Services& services_;
    const Switches& switches_;
    const std::function<void(const std::string&)>& event_;
};

}  // namespace

struct Backend::Impl {
    Impl(Services::Options options, Switches& s) : switches(s), services(std::move(options), s) {}

    void accept()
    {
        acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (ec)
                return;  // closed by stop()
            std::make_shared<Session>(std::move(socket), services, switches, event)->run();
            accept();
        });
    }

    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    Switches& switches;
    Services services;
    std::function<void(const std::string&)> event = [](const std::string&) {};
    std::thread thread;
};

Backend::Backend(Services::Options options, Switches& switches)
    : impl_(std::make_unique<Impl>(std::move(options), switches))
{}

Backend::~Backend()
{
    stop();
}

void Backend::set_event_sink(std::function<void(const std::string&)> sink)
{
    impl_->event = std::move(sink);
    impl_->services.on_event = impl_->event;
}

int Backend::start(int port)
{
    beast::error_code ec;
    const tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port));
    impl_->acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        impl_->acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        impl_->acceptor.bind(endpoint, ec);
    if (!ec)
        impl_->acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        return 0;
    const int chosen = impl_->acceptor.local_endpoint().port();
    impl_->services.set_base("http://127.0.0.1:" + std::to_string(chosen));
    impl_->accept();
    impl_->thread = std::thread([this] { impl_->io.run(); });
    return chosen;
}

void Backend::stop()
{
    if (!impl_->thread.joinable())
        return;
    impl_->io.stop();
    impl_->thread.join();
}
