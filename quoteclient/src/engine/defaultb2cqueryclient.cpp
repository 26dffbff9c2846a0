#include "defaultb2cqueryclient.h"

#include "b2cservice.h"

void DefaultB2CQueryClient::subscribe() {
    if (client_ && engine_) engine_->send(client_, true);
}

void DefaultB2CQueryClient::request() {
    if (client_ && engine_) engine_->send(client_, false);
}

void DefaultB2CQueryClient::cancel() {
    if (client_ && engine_) engine_->cancel_client(client_);
}
