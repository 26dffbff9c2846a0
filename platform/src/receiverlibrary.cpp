#include "platform/receiverlibrary.h"

namespace platform {

namespace {
template <class Fn>
Fn resolve(LibraryHandle lib, const char* name)
{
    return reinterpret_cast<Fn>(library_symbol(lib, name));
}
}  // namespace

ReceiverLibrary::ReceiverLibrary(const std::string& windowsName)
{
    handle_ = load_library(windowsName);
    if (!handle_) {
        error_ = last_library_error();
        return;
    }
    init_ = resolve<StockInit1Fn>(handle_, "Stock_Init1");
    setup_ = resolve<SetupReceiverFn>(handle_, "SetupReceiver");
    setHost_ = resolve<SetHostFn>(handle_, "SetHost");
    quit_ = resolve<StockQuitFn>(handle_, "Stock_Quit");
}

ReceiverLibrary::~ReceiverLibrary()
{
    free_library(handle_);
}

}  // namespace platform
