// QuoteServer: a local quote server on Brastel's server side, with synthetic
// data. It sends the login challenge, checks the answer against its session
// key, then hands every quote request to the handler registered for its
// command (CommandRegistry), on its scheduler thread, after the configured
// delay. It keeps subscriptions per connection for pushes, answers cancels,
// and can drop connections, refuse logins, and delay or hold replies and the
// login challenge on request.
//
// Every event worth waiting for is printed as one line on standard output
// ("login ok", "request 0x03 7", "cancel 7", "closed", ...); the first line is
// the port.
#ifndef QUOTESERVER_QUOTESERVER_H
#define QUOTESERVER_QUOTESERVER_H

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "b2c.h"
#include "scheduler.h"

struct Request {
    _B2CConnection* connection = nullptr;
    uint8_t version = 1;
    uint16_t word = 0;
    uint8_t command = 0;
    uint16_t request_id = 0;
    std::vector<uint8_t> body;
};

// Per market: the date (yyyymmdd) and state byte pushed by command 0x03.
struct MarketState {
    uint8_t market = 0;
    int32_t date = 0;
    uint8_t state = 0;
};

class QuoteServer {
public:
    struct Options {
        std::string key = "varnoquel";
        bool refuse_login = false;
        int delay_ms = 0;
        bool gzip = false;            // compress every answer
        int challenge_delay_ms = 0;   // hold the login challenge back this long
        bool hold_challenge = false;  // hold it until the control line "challenge"
        bool push_pages = false;      // push ranked pages (0x2A, 0x28) until cancelled
        bool minute_append = false;   // a moved minute series is sent as its changed tail, flagged as continuing
    };

    QuoteServer(_B2CEvent* event, Options options);
    ~QuoteServer();

    // Listens on 127.0.0.1:port (0 picks a free port); returns the port, 0 on failure.
    int start(int port);
    void stop();
    // With the loop still running: closes every connection, stops listening
    // and releases the server, letting the loop finish what that leaves
    // behind (aborted accepts, closed notifications), so nothing is stranded
    // in its queue when it stops.
    void close_all();

    // ---- For command handlers (scheduler thread) ----

    // Sends one answer: header {version, word, kind 5, command, flag 1,
    // request_id} and the body; gzip-compressed when asked or when the server
    // compresses everything, behind the body kind byte (0x02, or 0x33 which
    // clients read alike). False when the connection is gone.
    bool reply(_B2CConnection* conn, uint8_t command, uint16_t request_id, uint16_t word,
               const std::vector<uint8_t>& body, bool gzip = false, uint8_t version = 1, uint8_t body_kind = 0x02);
    // Command 0x10: int8 code and the text.
    bool reply_error(_B2CConnection* conn, uint16_t request_id, int8_t code, const std::string& text,
                     bool gzip = false);

    void subscribe(_B2CConnection* conn, uint16_t request_id, uint8_t command);
    bool unsubscribe(_B2CConnection* conn, uint16_t request_id);
    bool subscribed(_B2CConnection* conn, uint16_t request_id) const;
    // Every live (connection, request id) subscribed to the command.
    std::vector<std::pair<_B2CConnection*, uint16_t>> subscribers(uint8_t command) const;

    // Every logged-in connection.
    std::vector<_B2CConnection*> connections() const;

    std::vector<MarketState> markets() const;
    // Sets a market's date (yyyymmdd, 0 keeps it) and state (-1 keeps it).
    void set_market(uint8_t market, int32_t date, int state);

    Scheduler& scheduler() { return scheduler_; }
    const Options& options() const { return options_; }
    void set_refuse_login(bool refuse) { refuse_login_.store(refuse); }
    void set_delay(int ms) { delay_ms_.store(ms); }
    // While holding, requests are kept unanswered; release answers them in
    // arrival order and stops holding.
    void hold();
    void release();
    // Closes every connection.
    void drop_all();

    // Prints one event line on standard output.
    void event(const std::string& line);

    // Runs a control line from standard input (see main.cpp).
    void control(const std::string& line);

private:
    struct Session {
        _B2CAuthMsg challenge{};
        bool logged_in = false;
        bool challenged = false;  // the challenge went out
        std::set<uint16_t> subscriptions;
        std::map<uint16_t, uint8_t> commands;  // request id -> command
    };

    // Loop thread.
    static int on_connection(void* user, _B2CServer* srv, _B2CConnection* conn);
    static int on_message(void* user, _B2CMessage* msg);
    void handle_open(_B2CConnection* conn);
    void handle_closed(_B2CConnection* conn);
    void handle_message(const _B2CMessage* msg);
    void dispatch(Request request);
    void push_market_state();
    void push_market_state_as(uint16_t request_id);
    // Sends the challenge to every connection that has not had it.
    void send_held_challenges();

    bool send_locked(const _B2CMessage& msg);
    // Waits until the loop has run what was queued before the call.
    void flush_loop();

    _B2CEvent* event_;
    _B2CServer* server_ = nullptr;
    Options options_;
    std::atomic<bool> refuse_login_;
    std::atomic<int> delay_ms_;

    std::mutex hold_mutex_;  // guards holding_ and held_
    bool holding_ = false;
    std::vector<Request> held_;

    mutable std::mutex mutex_;  // guards sessions_ and markets_; held while sending
    std::map<_B2CConnection*, Session> sessions_;
    std::map<uint8_t, MarketState> markets_;

    std::mutex out_mutex_;  // guards standard output
    Scheduler scheduler_;
};

#endif
