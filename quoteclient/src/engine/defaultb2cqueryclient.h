// DefaultB2CQueryClient: the query part of a context client that issues one
// command client through the engine; with no command client (a combination
// that selects no command) subscribe, request and cancel do nothing.
#ifndef PELMAR_DEFAULTB2CQUERYCLIENT_H
#define PELMAR_DEFAULTB2CQUERYCLIENT_H

#include <memory>

#include "ib2cclient.h"
#include "iquery.h"

class B2CService;

class DefaultB2CQueryClient : public IQuery {
public:
    DefaultB2CQueryClient(B2CService* engine, std::shared_ptr<IB2CClient> client)
        : engine_(engine), client_(std::move(client))
    {}

    bool subscribe() override;
    bool request() override;
    void cancel() override;

    const std::shared_ptr<IB2CClient>& command_client() const { return client_; }

private:
    B2CService* engine_;
    std::shared_ptr<IB2CClient> client_;
};

#endif
