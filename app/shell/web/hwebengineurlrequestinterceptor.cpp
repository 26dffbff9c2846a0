#include "shell/web/hwebengineurlrequestinterceptor.h"

const char HWebEngineUrlRequestInterceptor::kSoftwareFlags[] = "Tarvolin-PC";
const char HWebEngineUrlRequestInterceptor::kUserAgent[] =
    "Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/85.0.4183.102 "
    "Safari/537.36";

// Called by the web engine for every request of the profile, possibly off the
// GUI thread; it touches only the request.
void HWebEngineUrlRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    info.setHttpHeader("SoftwareFlags", kSoftwareFlags);
    info.setHttpHeader("user-agent", kUserAgent);
}
