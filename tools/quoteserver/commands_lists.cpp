// Commands 0x20 (rows of listed codes), 0x2A (a ranked page of a category) and
// 0x28 (a ranked page of a block). 0x20 is a subscription: after the first
// answer the server moves the prices and pushes every 100 ms the rows of
// every other listed code (word 1) until the request is cancelled. With the
// option push_pages a ranked page is one too: every 100 ms the prices move
// and the page is sorted and pushed again whole (word 1).
#include <functional>
#include <memory>

#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"
#include "syntheticmarket.h"

namespace {

std::vector<uint16_t> read_fields(BodyReader& in)
{
    const int16_t m = in.i16();
    std::vector<uint16_t> fields;
    for (int i = 0; i < m && in.ok(); ++i)
        fields.push_back(static_cast<uint16_t>(in.i16()));
    return fields;
}

void write_fields(BodyWriter& out, const std::vector<uint16_t>& fields)
{
    out.i16(static_cast<int16_t>(fields.size()));
    for (uint16_t f : fields)
        out.i16(static_cast<int16_t>(f));
}

void write_rows(BodyWriter& out, const std::vector<const SyntheticCode*>& rows, const std::vector<uint16_t>& fields)
{
    out.i16(static_cast<int16_t>(rows.size()));
    for (const SyntheticCode* c : rows)
        SyntheticMarket::instance().write_row(out, *c, fields);
}

struct ListRequest {
    std::vector<const SyntheticCode*> codes;
    std::vector<uint16_t> fields;
};

void push_list(QuoteServer& server, _B2CConnection* conn, uint16_t id, std::shared_ptr<ListRequest> list, int64_t round)
{
    if (!server.subscribed(conn, id))
        return;
    SyntheticMarket::instance().tick();
    std::vector<const SyntheticCode*> rows;
    for (size_t i = static_cast<size_t>(round % 2); i < list->codes.size(); i += 2)
        rows.push_back(list->codes[i]);
    BodyWriter body;
    write_fields(body, list->fields);
    write_rows(body, rows, list->fields);
    if (!server.reply(conn, 0x20, id, 1, body.data()))
        return;
    server.scheduler().post_after(100,
                                  [&server, conn, id, list, round] { push_list(server, conn, id, list, round + 1); });
}

void answer_list(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    auto list = std::make_shared<ListRequest>();
    const int16_t n = in.i16();
    for (int i = 0; i < n && in.ok(); ++i) {
        const std::string code = in.text(6);
        const uint8_t market = in.u8();
        if (const SyntheticCode* c = SyntheticMarket::instance().find(code, market))
            list->codes.push_back(c);
    }
    list->fields = read_fields(in);
    if (!in.ok()) {
        server.reply_error(request.connection, request.request_id, -2, "bad list request");
        return;
    }
    BodyWriter body;
    write_fields(body, list->fields);
    write_rows(body, list->codes, list->fields);
    server.subscribe(request.connection, request.request_id, 0x20);
    if (!server.reply(request.connection, 0x20, request.request_id, 1, body.data()))
        return;
    _B2CConnection* conn = request.connection;
    const uint16_t id = request.request_id;
    server.scheduler().post_after(100, [&server, conn, id, list] { push_list(server, conn, id, list, 0); });
}

// What a ranked-page request carries after its key and first row: int16 page
// count; int16 sort field; u8 sort direction; the field list.
struct PageRequest {
    int16_t count = 0;
    uint16_t sort = 0;
    uint8_t direction = 0;
    std::vector<uint16_t> fields;
};

PageRequest read_page_request(BodyReader& in)
{
    PageRequest p;
    p.count = in.i16();
    p.sort = static_cast<uint16_t>(in.i16());
    p.direction = in.u8();
    p.fields = read_fields(in);
    return p;
}

// The fields and the page [first, first + count) of the sorted list.
void write_page(BodyWriter& out, std::vector<const SyntheticCode*> all, int first, const PageRequest& p)
{
    SyntheticMarket::instance().sort(all, p.sort, p.direction);
    std::vector<const SyntheticCode*> page;
    for (int i = first < 0 ? 0 : first; i < static_cast<int>(all.size()) && static_cast<int>(page.size()) < p.count;
         ++i)
        page.push_back(all[static_cast<size_t>(i)]);
    write_fields(out, p.fields);
    write_rows(out, page, p.fields);
}

// Answers a ranked page: body() writes it anew from the current prices. Once
// when pages are not pushed; otherwise as a subscription, pushed every 100 ms
// with the prices moved until the request is cancelled.
void answer_page(QuoteServer& server, const Request& request, uint8_t command,
                 std::function<std::vector<uint8_t>()> body)
{
    if (!server.options().push_pages) {
        server.reply(request.connection, command, request.request_id, 0, body());
        return;
    }
    server.subscribe(request.connection, request.request_id, command);
    if (!server.reply(request.connection, command, request.request_id, 1, body()))
        return;
    struct Pusher {
        static void next(QuoteServer& server, _B2CConnection* conn, uint16_t id, uint8_t command,
                         std::shared_ptr<std::function<std::vector<uint8_t>()>> body)
        {
            server.scheduler().post_after(100, [&server, conn, id, command, body] {
                if (!server.subscribed(conn, id))
                    return;
                SyntheticMarket::instance().tick();
                if (server.reply(conn, command, id, 1, (*body)()))
                    next(server, conn, id, command, body);
            });
        }
    };
    Pusher::next(server, request.connection, request.request_id, command,
                 std::make_shared<std::function<std::vector<uint8_t>()>>(std::move(body)));
}

void answer_category(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const int16_t category = in.i16();
    const int16_t first = in.i16();
    const PageRequest page = read_page_request(in);
    if (!in.ok()) {
        server.reply_error(request.connection, request.request_id, -2, "bad ranking request");
        return;
    }
    answer_page(server, request, 0x2A, [category, first, page] {
        const auto all = SyntheticMarket::instance().category(category);
        BodyWriter body;
        body.i16(static_cast<int16_t>(all.size()));
        write_page(body, all, first, page);
        return body.data();
    });
}

void answer_block(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const int64_t block = in.i64();
    const int32_t first = in.i32();
    const PageRequest page = read_page_request(in);
    if (!in.ok()) {
        server.reply_error(request.connection, request.request_id, -2, "bad block request");
        return;
    }
    answer_page(server, request, 0x28, [block, first, page] {
        const auto all = SyntheticMarket::instance().block(block);
        BodyWriter body;
        body.i64(block).i32(static_cast<int32_t>(all.size()));
        write_page(body, all, first, page);
        return body.data();
    });
}

const CommandRegistration list_registration(0x20, &answer_list);
const CommandRegistration category_registration(0x2A, &answer_category);
const CommandRegistration block_registration(0x28, &answer_block);

}  // namespace
