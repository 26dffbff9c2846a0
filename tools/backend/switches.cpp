#include "switches.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

bool on_off(const std::string& word, bool* out)
{
    if (word == "on")
        *out = true;
    else if (word == "off")
        *out = false;
    else
        return false;
    return true;
}

}  // namespace

std::vector<std::string> split_words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

bool Switches::apply(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        return false;
    const std::string& what = words[0];
    std::lock_guard<std::mutex> lock(mutex_);
    if (words.size() == 2) {
        if (what == "refuse-login")
            return on_off(words[1], &refuse_login_);
        if (what == "heartbeat-false")
            return on_off(words[1], &heartbeat_false_);
        if (what == "gzip")
            return on_off(words[1], &gzip_);
        if (what == "fail")
            return failing_.insert(words[1]), true;
        if (what == "ok")
            return failing_.erase(words[1]), answers_.erase(words[1]), true;
    } else if (words.size() == 3 && what == "answer") {
        const std::string& hex = words[2];
        if (hex.size() % 2)
            return false;
        std::string body;
        body.reserve(hex.size() / 2);
        for (size_t i = 0; i < hex.size(); i += 2) {
            if (!std::isxdigit(static_cast<unsigned char>(hex[i])) ||
                !std::isxdigit(static_cast<unsigned char>(hex[i + 1])))
                return false;
            body += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
        }
        answers_[words[1]] = std::move(body);
        return true;
    } else if (words.size() == 3 && what == "answer-file") {
        std::ifstream in(words[2], std::ios::binary);
        if (!in)
            return false;
        answers_[words[1]] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    } else if (words.size() == 3 && what == "delay") {
        char* end = nullptr;
        const long ms = std::strtol(words[2].c_str(), &end, 10);
        if (words[2].empty() || *end || ms < 0 || ms > 600000)
            return false;
        delays_[words[1]] = static_cast<int>(ms);
        return true;
    }
    return false;
}

bool Switches::refuse_login() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return refuse_login_;
}

bool Switches::heartbeat_false() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return heartbeat_false_;
}

bool Switches::gzip() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return gzip_;
}

bool Switches::fails(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failing_.count(path) != 0;
}

int Switches::delay_ms(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = delays_.find(path);
    return it == delays_.end() ? 0 : it->second;
}

bool Switches::answer(const std::string& path, std::string* body) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = answers_.find(path);
    if (it == answers_.end())
        return false;
    *body = it->second;
    return true;
}
