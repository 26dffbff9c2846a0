// CachedCodeB2CClient: the base of the per-code command clients whose later
// answers leave out what the first one carried (reference price, identity):
// it owns the CodeCache that the client's replies share.
#ifndef PELMAR_CACHEDCODEB2CCLIENT_H
#define PELMAR_CACHEDCODEB2CCLIENT_H

#include <memory>

#include "codecache.h"
#include "contextbasicb2cclient.h"

class CachedCodeB2CClient : public ContextBasicB2CClient {
public:
    explicit CachedCodeB2CClient(ContextBase& context)
        : ContextBasicB2CClient(context), cache_(std::make_shared<CodeCache>())
    {}

protected:
    const std::shared_ptr<CodeCache>& cache() const { return cache_; }

private:
    std::shared_ptr<CodeCache> cache_;
};

#endif
