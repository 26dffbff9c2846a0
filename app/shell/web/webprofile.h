// libTarvolinWeb.so: everything of the program that links the web engine.
// The program loads it only once the sign-in window is on screen, so that
// loading the web engine's libraries (most of a start's dynamic linking) does
// not delay that window; the web views' QML module pulls the same libraries in
// when the main window first needs them.
#pragma once

#define TARVOLIN_WEB_EXPORT __attribute__((visibility("default")))

extern "C" {

// GUI thread: makes the default profile mark every request of the web views
// with the client's edition (header and the "SoftwareFlags" cookie for
// cookie_host, the back end's host). Once; later calls do nothing.
TARVOLIN_WEB_EXPORT void tarvolin_web_prepare_profile(const char* cookie_host);

// GUI thread: takes the interceptor off the default profile again, before it is
// destroyed (the profile outlives the program's main function). Does nothing
// when the profile was never prepared.
TARVOLIN_WEB_EXPORT void tarvolin_web_release_profile(void);
}
