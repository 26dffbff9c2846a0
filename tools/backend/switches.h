// Switches: what the local back end is told to do wrong, so tests reach every
// failure branch of its callers. Set from the command line ("--fail /api/board")
// or from a control line on standard input ("fail /api/board"), the same words
// either way:
//   refuse-login on|off      every sign-in gets result "false"
//   heartbeat-false on|off   every heartbeat gets result "false"
//   gzip on|off              JSON bodies go out gzip-packed, without a
//                            Content-Encoding header (the client unpacks them)
//   fail PATH | ok PATH      PATH answers 500 / answers normally again
//   delay PATH MS            PATH answers after MS milliseconds (0: at once)
//   answer PATH HEX          PATH answers 200 with the octets given in
//                            hexadecimal (an HTML page when they start with
//                            "<"); "ok PATH" ends it
//   answer-file PATH FILE    the same with the octets of FILE, read now (for
//                            replies of many megabytes)
// Read by the server thread, written by the control thread.
#ifndef BACKEND_SWITCHES_H
#define BACKEND_SWITCHES_H

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class Switches {
public:
    // Applies one control line split into words; false when it is not one.
    bool apply(const std::vector<std::string>& words);

    bool refuse_login() const;
    bool heartbeat_false() const;
    bool gzip() const;
    bool fails(const std::string& path) const;
    int delay_ms(const std::string& path) const;
    // True when PATH has a given answer; *body gets its octets.
    bool answer(const std::string& path, std::string* body) const;

private:
    mutable std::mutex mutex_;  // guards every member below
    bool refuse_login_ = false;
    bool heartbeat_false_ = false;
    bool gzip_ = false;
    std::set<std::string> failing_;
    std::map<std::string, int> delays_;
    std::map<std::string, std::string> answers_;
};

// Splits a line at blanks.
std::vector<std::string> split_words(const std::string& line);

#endif
