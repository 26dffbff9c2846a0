// Services: the answers of the local back end, one per path, and the state
// they keep (sign-ins, each user's stock groups, recorded user actions).
// Addresses handed out by the control endpoint all point back at this server
// (base "http://127.0.0.1:<port>"), except url.quote, the quote server's tcp://
// URL from the command line. Runs on the server thread only.
#ifndef BACKEND_SERVICES_H
#define BACKEND_SERVICES_H

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "switches.h"

struct HttpIn {
    std::string method;                          // "GET", "POST", ...
    std::string target;                          // as sent: path and query
    std::string path;                            // percent-decoded, without the query
    std::map<std::string, std::string> query;    // decoded; the first of repeated keys
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;

    // A parameter from the query, else from a form body.
    std::string param(const std::string& key) const;
    std::string header(const std::string& lower_name) const;
};

struct HttpOut {
    int status = 200;
    std::string content_type = "application/json; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // extra headers
};

// Percent-decodes text; with form true a "+" is a blank.
std::string percent_decode(const std::string& text, bool form);
// key=value pairs joined by "&", decoded; the first of repeated keys wins.
std::map<std::string, std::string> parse_pairs(const std::string& text);

class Services {
public:
    struct Account {
        std::string name;
        std::string password;
    };
    struct Options {
        std::string quote_url = "tcp://127.0.0.1:7709/?auto_delay=1000&encrypt_key=varnoquel";
        std::vector<Account> accounts{{"demo", "demo"}};
    };

    Services(Options options, const Switches& switches);
    void set_base(std::string base) { base_ = std::move(base); }

    HttpOut answer(const HttpIn& in);

    // One line per noteworthy event (a sign-in, an accepted upload).
    std::function<void(const std::string&)> on_event;

private:
    struct CodeItem {
        std::string code;
        std::string market;  // decimal text
    };
    struct Group {
        std::string id;
        std::string name;
        std::vector<CodeItem> codes;
    };

    HttpOut control() const;
    HttpOut login(const HttpIn& in);
    HttpOut mystock(const HttpIn& in);
    HttpOut heartbeat(const HttpIn& in) const;
    HttpOut user_action(const HttpIn& in);
    HttpOut echo(const HttpIn& in) const;
    std::string group_document(const std::string& user) const;
    bool apply_group_edits(const std::string& user, const std::string& body);
    void event(const std::string& line) const;

    Options options_;
    const Switches& switches_;
    std::string base_;
    int logins_ = 0;
    std::map<std::string, std::vector<Group>> groups_;  // by user id
};

#endif
