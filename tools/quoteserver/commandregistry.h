// CommandRegistry: the answer of each quote command, by command byte. Each
// commands_*.cpp registers its handlers with a static CommandRegistration, so
// adding a command means adding a file.
#ifndef QUOTESERVER_COMMANDREGISTRY_H
#define QUOTESERVER_COMMANDREGISTRY_H

#include <cstdint>
#include <functional>
#include <map>

class QuoteServer;
struct Request;

using CommandHandler = std::function<void(QuoteServer&, const Request&)>;

class CommandRegistry {
public:
    static CommandRegistry& instance();
    void add(uint8_t command, CommandHandler handler) { handlers_[command] = std::move(handler); }
    const CommandHandler* find(uint8_t command) const;

private:
    std::map<uint8_t, CommandHandler> handlers_;
};

struct CommandRegistration {
    CommandRegistration(uint8_t command, CommandHandler handler)
    {
        CommandRegistry::instance().add(command, std::move(handler));
    }
};

#endif
