// GzipDecoder: unpacks a gzip body piece by piece as it arrives, so memory
// stays flat, and tells whether the stream ended whole: every member's
// trailer (CRC-32 and length) checked by zlib, nothing after the last one.
#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

#include <zlib.h>

namespace updater {

class GzipDecoder {
public:
    GzipDecoder();
    ~GzipDecoder();
    GzipDecoder(const GzipDecoder&) = delete;
    GzipDecoder& operator=(const GzipDecoder&) = delete;

    // Unpacks `data`, handing each unpacked piece to `out`; false when the
    // data is damaged or `out` refused a piece.
    bool feed(const QByteArray& data, const std::function<bool(const char*, qint64)>& out);
    // True when the input ended exactly at the end of a member.
    bool complete() const { return atMemberEnd_; }

private:
    z_stream z_{};
    bool ok_ = false;
    bool atMemberEnd_ = false;
};

}  // namespace updater
