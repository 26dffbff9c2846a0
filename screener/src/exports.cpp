// The two exports: each finds the application object and calls one method.
#include "quorvex.h"
#include "quorvexapp.h"

extern "C" QUORVEX_API void quorvex_show1(const char* appName, const char* host, const char* user, const char* auth,
                                          int32_t option, NotifyCallback cb)
{
    try {
        if (CQuorvexApp* app = CQuorvexApp::Instance())
            app->Show1(appName, host, user, auth, option, cb);
    } catch (...) {
        qWarning("Quorvex: quorvex_show1 failed");
    }
}

extern "C" QUORVEX_API void quorvex_show(const char* appName, const char* host, const char* user, const char* auth,
                                         void* notifyTarget, uint32_t notifyMsg)
{
    try {
        if (CQuorvexApp* app = CQuorvexApp::Instance())
            app->Show(appName, host, user, auth, static_cast<QObject*>(notifyTarget), notifyMsg);
    } catch (...) {
        qWarning("Quorvex: quorvex_show failed");
    }
}
