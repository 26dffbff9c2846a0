// The stream handle of the C interface: a heap cell holding one share of a
// buffer. Cells made by b2c_stream_create/b2c_stream_ref are freed by
// b2c_stream_release; the library also keeps cells by value (a decoded frame's
// body) whose address it hands to callbacks for the duration of a call.
#pragma once

#include <memory>

#include "b2c.h"
#include "moduobuffer.h"

struct _B2CStream {
    std::shared_ptr<b2c::ModuoBuffer> buffer;
};
