#include "defaultb2cqueryclient.h"

#include "b2cservice.h"

bool DefaultB2CQueryClient::subscribe()
{
    return !client_ || !engine_ || engine_->send(client_, true) != 0;
}

bool DefaultB2CQueryClient::request()
{
    return !client_ || !engine_ || engine_->send(client_, false) != 0;
}

void DefaultB2CQueryClient::cancel()
{
    if (client_ && engine_)
        engine_->cancel_client(client_);
}
