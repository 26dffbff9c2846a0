#include "commandregistry.h"

CommandRegistry& CommandRegistry::instance()
{
    static CommandRegistry registry;
    return registry;
}

const CommandHandler* CommandRegistry::find(uint8_t command) const
{
    const auto it = handlers_.find(command);
    return it == handlers_.end() ? nullptr : &it->second;
}
