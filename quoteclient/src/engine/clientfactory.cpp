#include "clientfactory.h"

#include "b2cclient0x03.h"
#include "b2cclient0x05.h"
#include "b2cclient0x20.h"
#include "b2cclient0x24.h"
#include "b2cclient0x26.h"
#include "b2cclient0x27.h"
#include "b2cclient0x28.h"
#include "b2cclient0x2a.h"
#include "b2cclient0x37.h"
#include "b2cclient0x3c.h"
#include "b2cclient0x3f.h"
#include "b2cclient0x48.h"
#include "context.h"
#include "defaultb2cqueryclient.h"
#include "defaultclientimpl.h"
#include "kdataclient.h"
#include "offsetpagecontrol.h"

std::shared_ptr<BasicContextClient> ClientFactory::make(Context& context)
{
    auto impl = std::make_shared<DefaultClientImpl>();
    std::shared_ptr<IB2CClient> command;
    ContextSettings s = context.settings();
    const bool has_code = !s.codes.empty();

    switch (s.type) {
    case QUOTE_TYPE_MARKET:
        if (s.period == QUOTE_PERIOD_REALTIME) {
            if (s.blocks.size() == 1) {
                command = std::make_shared<B2CClient0X28>(context);
            } else if (s.categories.size() != 1) {
                if (has_code)
                    command = std::make_shared<B2CClient0X20>(context, (s.option & kOptionIndexList) != 0);
            } else {
                command = std::make_shared<B2CClient0X2A>(context);
            }
            impl->set_page_control(std::make_unique<OffsetPageControl>(context.self()));
        } else if (s.period == QUOTE_PERIOD_DETAIL) {
            if (has_code)
                command = std::make_shared<B2CClient0x26>(context);
        } else if (s.period == QUOTE_PERIOD_MINUTE) {
            if (has_code) {
                if (s.time_start <= 0) {
                    command = std::make_shared<B2CClient0x24>(context);
                } else {
                    if (s.page.count == 0)
                        context.set_page(s.page.first, 1);
                    command = std::make_shared<B2CClient0x27>(context);
                }
            }
        } else if (s.period >= QUOTE_PERIOD_KLINE_DAY && s.period <= QUOTE_PERIOD_KLINE_LAST) {
            if (has_code)
                return KDataClient::create(context);
        }
        break;
    case QUOTE_TYPE_DIVIDEND:
        if (has_code)
            command = std::make_shared<B2CClient0x37>(context);
        break;
    case QUOTE_TYPE_CODE_TABLE:
        command = std::make_shared<B2CClient0x05>(context);
        break;
    case QUOTE_TYPE_TIPS:
        if (!s.blocks.empty())
            command = std::make_shared<B2CClient0x3f>(context);
        else if (has_code)
            command = std::make_shared<B2CClient0x48>(context);
        break;
    case QUOTE_TYPE_PRICE_VOLUME:
        if (has_code)
            command = std::make_shared<B2CClient0x3C>(context);
        break;
    case QUOTE_TYPE_SERVER:
        command = std::make_shared<B2CClient0x03>(context);
        break;
    default:
        break;
    }
    impl->set_query(std::make_unique<DefaultB2CQueryClient>(context.engine(), std::move(command)));
    return impl;
}
