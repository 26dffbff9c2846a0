// Address of the back end's control endpoint: every other service address
// comes from its reply.
#pragma once

#include <QString>

// $TARVOLIN_CONTROL_URL when set and not empty, else the local back end's
// default "http://127.0.0.1:7710/".
QString controlEndpoint();
