// ServerStateReply: the engine's own kind-1 reply for a connection state
// change: the configuration's server entry and 1 (logged in) or 0 (not
// connected). Bound to the engine's service context.
#ifndef PELMAR_SERVERSTATEREPLY_H
#define PELMAR_SERVERSTATEREPLY_H

#include "basicquotereply.h"

class ServerStateReply : public BasicQuoteReply {
public:
    ServerStateReply(const char* const* server, bool open, std::weak_ptr<ContextBase> context);

    void process() override;

private:
    QuoteServerState state_{};
};

#endif
