#include "context.h"

#include <algorithm>
#include <cstring>

#include "basiccontextclient.h"
#include "clientfactory.h"
#include "defaultclientimpl.h"
#include "ipagecontrol.h"

std::string CodeEntry::code() const
{
    const std::size_t n = strnlen(bytes.data(), 16);
    return std::string(bytes.data(), n);
}

void CodeEntry::code6(char out[6]) const
{
    const std::size_t n = strnlen(bytes.data(), 6);
    std::memset(out, 0, 6);
    std::memcpy(out, bytes.data(), n);
}

CodeEntry CodeEntry::from(const char* code, uint8_t market)
{
    CodeEntry e;
    const std::size_t n = code ? strnlen(code, 16) : 0;
    if (n)
        std::memcpy(e.bytes.data(), code, n);
    e.bytes[16] = static_cast<char>(market);
    return e;
}

Context::Context(B2CService* engine, int type) : ContextBase(engine), client_(std::make_shared<DefaultClientImpl>())
{
    settings_.type = type;
}

Context::~Context() = default;

ContextSettings Context::settings() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_;
}

quote_ctx* Context::new_handle(B2CService* engine)
{
    auto context = std::make_shared<Context>(engine);
    context->cell_ = std::make_unique<quote_ctx>();
    quote_ctx* cell = context->cell_.get();
    cell->live = context;
    context->set_handle(cell);
    cell->context = std::move(context);
    return cell;
}

// Caller's thread.
void Context::release_handle(quote_ctx* cell)
{
    // Once the caller's share is out of the cell, the cell may go with it.
    const std::shared_ptr<Context> owner = std::move(cell->context);
    if (!owner)
        return;
    owner->set_released();
    owner->cancel();
}

void Context::set_settings(const ContextSettings& s)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_ = s;
}

void Context::set_type(int type)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.type = type;
}

void Context::set_period(uint8_t period)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.period = period;
}

void Context::set_direction(uint8_t direction)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.direction = direction;
}

void Context::set_option(int bits)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.option = bits;
}

void Context::set_time(int64_t start, int64_t end)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.time_start = start;
    settings_.time_end = end;
}

void Context::set_page(int16_t first, int16_t count)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.page.first = first;
    settings_.page.count = count;
}

void Context::set_sort(uint16_t field, uint8_t direction)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.sort.field = field;
    settings_.sort.direction = direction;
}

void Context::set_market_fields(const uint16_t* ids, int n)
{
    std::vector<uint16_t> list;
    if (ids && n > 0)
        list.assign(ids, ids + n);
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.market_fields.swap(list);
}

void Context::set_category(uint16_t category)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.categories.assign(1, category);
}

void Context::set_block(int64_t block_id)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.blocks.assign(1, block_id);
}

void Context::set_codes(std::vector<CodeEntry> codes)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    settings_.codes.swap(codes);
}

int Context::type() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_.type;
}

uint8_t Context::period() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_.period;
}

int Context::option() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_.option;
}

ContextPage Context::page() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_.page;
}

ContextSort Context::sort() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_.sort;
}

int64_t Context::time_start() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_.time_start;
}

bool Context::first_code(CodeEntry* out) const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    if (settings_.codes.empty())
        return false;
    *out = settings_.codes.front();
    return true;
}

std::vector<CodeEntry> Context::codes() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_.codes;
}

std::shared_ptr<BasicContextClient> Context::client() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return client_;
}

std::shared_ptr<BasicContextClient> Context::swap_client(std::shared_ptr<BasicContextClient> next)
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    client_.swap(next);
    return next;  // the old client, released by the caller outside the lock
}

int Context::issue(bool subscribe)
{
    auto next = ClientFactory::make(*this);
    IQuery* query = next->query();
    const std::shared_ptr<BasicContextClient> previous = swap_client(next);
    // Only the newest request of a context lives: the previous one is
    // forgotten by the engine and cancelled at the server before it goes.
    if (IQuery* old = previous->query())
        old->cancel();
    if (!query)
        return 0;
    subscribed_.store(subscribe);
    const bool taken = subscribe ? query->subscribe() : query->request();
    return taken ? 1 : 0;
}

// Caller's thread.
int Context::request()
{
    std::lock_guard<std::mutex> lock(issue_mutex_);
    return issue(false);
}

// Caller's thread.
int Context::subscribe()
{
    std::lock_guard<std::mutex> lock(issue_mutex_);
    return issue(true);
}

// Caller's thread.
int Context::cancel()
{
    std::lock_guard<std::mutex> lock(issue_mutex_);
    auto current = client();
    IQuery* query = current->query();
    if (!query)
        return 0;
    query->cancel();
    return 1;
}

// Caller's thread.
int Context::update()
{
    std::lock_guard<std::mutex> lock(issue_mutex_);
    auto current = client();
    if (IRefresh* refresh = current->refresh()) {
        refresh->refresh();
        return 1;
    }
    return issue(subscribed_.load());
}

bool Context::page(bool forward)
{
    auto current = client();
    IPageControl* control = current->page_control();
    if (!control)
        return false;
    {
        std::lock_guard<std::mutex> lock(settings_mutex_);
        ContextPage p = settings_.page;
        if (!(forward ? control->next(p) : control->previous(p)))
            return false;
        settings_.page = p;
    }
    update();
    return true;
}

// Caller's thread.
bool Context::page_down()
{
    return page(true);
}

// Caller's thread.
bool Context::page_up()
{
    return page(false);
}

// Caller's thread.
bool Context::load_more(int count)
{
    auto current = client();
    ILoadMore* more = current->load_more();
    return more && more->load_more(count);
}
