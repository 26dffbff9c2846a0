// Points the program's quote engine at a local quote server: the server-address
// store gets a "url.quote" entry for 127.0.0.1:<port> with the server's default
// session key and a short reconnect delay. Call before QuoteEngineThread::start.
#pragma once

namespace testsupport {

void pointQuoteEngineAt(int port);

}  // namespace testsupport
