// Points the program's quote engine at a local quote server: the server-address
// store gets a "url.quote" entry for 127.0.0.1:<port> with the server's default
// session key and a short reconnect delay. Call before QuoteEngineThread::start.
#pragma once

namespace testsupport {

void pointQuoteEngineAt(int port);

// Loads the block file the lists rely on (board.json), as the local quote
// server writes it; false when the server wrote none.
bool loadServerBlocks();

}  // namespace testsupport
