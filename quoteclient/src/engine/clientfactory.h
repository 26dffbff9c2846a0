// ClientFactory: picks the context client for a context's current settings
// (type, period, lists, options) with its command client. A combination that
// selects no command gets a client whose query sends nothing; so does a
// command that needs a code when the context has none.
#ifndef PELMAR_CLIENTFACTORY_H
#define PELMAR_CLIENTFACTORY_H

#include <memory>

class BasicContextClient;
class Context;

class ClientFactory {
public:
    // Caller's thread. May adjust the context (period 32 with a time: a page
    // count of 0 becomes 1).
    static std::shared_ptr<BasicContextClient> make(Context& context);
};

#endif
