// Cutting a connection's input into frames.
//
// A decoder looks at the front of the connection's input buffer and decodes
// at most one frame per call:
//   NeedMore  no complete frame yet: wait for the next read;
//   Skipped   a frame was consumed that carries nothing to deliver (heartbeat);
//   Decoded   one frame was consumed; `out` holds the message to deliver;
//   Fatal     the input cannot be a valid frame (a length beyond the cap, an
//             empty data frame, a login frame of the wrong size): close the
//             connection. Nothing was consumed or allocated.
//
// Every decoder decides on its own what is valid; the connection adds no
// check of its own in front of it.
//
// A connection runs the decoder in force after every read, on its loop thread:
//
//   for (;;) {
//       DecodedFrame frame;
//       const FrameDecoder& d = *decoder;
//       DecodeStatus st = d.decodeOne(input, frame);
//       if (st == DecodeStatus::NeedMore) break;
//       if (st == DecodeStatus::Fatal) { close(); break; }
//       if (st == DecodeStatus::Skipped) continue;
//       decoder = &d.next();   // login decoders hand over after one frame
//       if (open || d.deliversWhenClosed()) {
//           _B2CMessage msg = frame.message(cell);
//           onMessage(&msg);
//       }
//       // stop if the callback closed the connection
//   }
//
// Bytes after a decoded frame stay in the input for the next decoder, so a
// login frame that arrives in one read with the following frame loses nothing.
#pragma once

#include "b2c.h"
#include "decodedframe.h"
#include "frameformat.h"

namespace b2c {

class ModuoBuffer;

class FrameDecoder {
public:
    virtual ~FrameDecoder() = default;
    // Decodes at most one frame from the front of `in` (see above).
    virtual DecodeStatus decodeOne(ModuoBuffer& in, DecodedFrame& out) const = 0;
    // The decoder in force after this one decoded a message.
    virtual const FrameDecoder& next() const = 0;
    // Whether a decoded message is delivered while the connection's open flag
    // is clear (login decoders: yes; NormalDecoder drops the frame).
    virtual bool deliversWhenClosed() const = 0;
};

}  // namespace b2c
