// ServerProcess: starts one of the local servers of tools/ (bin/<program>) as a
// child process on a free loopback port (argument "0"), collects the lines it
// prints and sends it control lines on its standard input. The first line is
// the port. The server stops ("quit", then SIGKILL after 10 s) when the object
// goes. A server that cannot start (no such program, or it exits before its
// first line) ends every wait at once. QuoteServerProcess is the local quote
// server.
#ifndef TARVOLIN_TESTSUPPORT_SERVERPROCESS_H
#define TARVOLIN_TESTSUPPORT_SERVERPROCESS_H

#include <signal.h>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ServerProcess {
public:
    ServerProcess(const std::string& name, const std::vector<std::string>& options)
    {
        ::signal(SIGPIPE, SIG_IGN);
        int in_pipe[2];
        int out_pipe[2];
        // Close-on-exec, so no other child started meanwhile holds the write
        // end open: the server's output ends when the server does.
        if (::pipe2(in_pipe, O_CLOEXEC) != 0 || ::pipe2(out_pipe, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in_pipe[0], 0);
            ::dup2(out_pipe[1], 1);
            ::close(in_pipe[0]);
            ::close(in_pipe[1]);
            ::close(out_pipe[0]);
            ::close(out_pipe[1]);
            const std::string program = std::string(TARVOLIN_BIN_DIR) + "/" + name;
            std::vector<std::string> args{program, "0"};
            args.insert(args.end(), options.begin(), options.end());
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(&a[0]);
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(in_pipe[0]);
        ::close(out_pipe[1]);
        to_server_ = ::fdopen(in_pipe[1], "w");
        from_server_ = out_pipe[0];
        reader_ = std::thread([this] { read_lines(); });
        std::string first;
        if (wait_for([](const std::string&) { return true; }, &first))
            port_ = std::atoi(first.c_str());
    }

    ~ServerProcess()
    {
        if (pid_ > 0 && paused_)
            ::kill(pid_, SIGCONT);
        if (to_server_) {
            std::fputs("quit\n", to_server_);
            std::fclose(to_server_);
        }
        if (pid_ > 0) {
            // The server's standard output ends when it exits; kill it when
            // that takes longer than 10 s.
            bool ended;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ended = cv_.wait_for(lock, std::chrono::seconds(10), [this] { return ended_; });
            }
            if (!ended)
                ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (reader_.joinable())
            reader_.join();
        if (from_server_ >= 0)
            ::close(from_server_);
    }

    int port() const { return port_; }

    // Stops the server as a hung one is (SIGSTOP: connections are still
    // taken by the system, nothing is answered) and lets it go on again.
    void pause()
    {
        if (pid_ > 0 && ::kill(pid_, SIGSTOP) == 0)
            paused_ = true;
    }
    void resume()
    {
        if (pid_ > 0 && paused_ && ::kill(pid_, SIGCONT) == 0)
            paused_ = false;
    }

    void control(const std::string& line)
    {
        std::fprintf(to_server_, "%s\n", line.c_str());
        std::fflush(to_server_);
    }

    // Waits (30 s at most: a busy machine slows the server down) for a line,
    // not yet consumed by an earlier wait, that satisfies pred; each line
    // satisfies one wait at most. False at once when the server has ended
    // without such a line. Lines already looked at are not looked at
    // again (a line once used stays used), so long logs stay cheap.
    bool wait_for(const std::function<bool(const std::string&)>& pred, std::string* line = nullptr,
                  std::chrono::milliseconds timeout = std::chrono::milliseconds(30000))
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (size_t i = 0;;) {
            for (; i < lines_.size(); ++i) {
                if (!used_[i] && pred(lines_[i])) {
                    used_[i] = true;
                    if (line)
                        *line = lines_[i];
                    return true;
                }
            }
            if (ended_)  // every line it wrote has been looked at
                return false;
            if (cv_.wait_until(lock, deadline) == std::cv_status::timeout && i == lines_.size())
                return false;
        }
    }
    // Waits (30 s at most) until the log as a whole satisfies pred; false at
    // once when the server has ended and its log does not.
    bool wait_lines(const std::function<bool(const std::vector<std::string>&)>& pred,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(30000))
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, timeout, [&] { return ended_ || pred(lines_); });
        return pred(lines_);
    }
    // True once the server's output has ended (it exited, or never started).
    bool ended()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return ended_;
    }
    bool wait_line(const std::string& exact)
    {
        return wait_for([&](const std::string& l) { return l == exact; });
    }
    bool wait_prefix(const std::string& prefix, std::string* line = nullptr)
    {
        return wait_for([&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; }, line);
    }

    // Every line so far.
    std::vector<std::string> lines()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    size_t count(const std::string& exact)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t n = 0;
        for (const auto& l : lines_)
            n += l == exact;
        return n;
    }

private:
    void read_lines()
    {
        std::string partial;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(from_server_, buf, sizeof(buf));
            if (n <= 0)
                break;
            partial.append(buf, static_cast<size_t>(n));
            size_t pos;
            while ((pos = partial.find('\n')) != std::string::npos) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    lines_.push_back(partial.substr(0, pos));
                    used_.push_back(false);
                }
                cv_.notify_all();
                partial.erase(0, pos + 1);
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        cv_.notify_all();
    }

    pid_t pid_ = -1;
    bool paused_ = false;
    FILE* to_server_ = nullptr;
    int from_server_ = -1;
    int port_ = 0;
    std::thread reader_;
    std::mutex mutex_;  // guards lines_, used_ and ended_
    std::condition_variable cv_;
    std::vector<std::string> lines_;
    std::vector<bool> used_;
    bool ended_ = false;  // the server's standard output has ended
};

class QuoteServerProcess : public ServerProcess {
public:
    explicit QuoteServerProcess(const std::vector<std::string>& options = {}) : ServerProcess("quoteserver", options) {}
};

#endif
