#include "gzipdecoder.h"

namespace updater {

GzipDecoder::GzipDecoder()
{
    ok_ = inflateInit2(&z_, 16 + MAX_WBITS) == Z_OK;  // gzip wrapper only
}

GzipDecoder::~GzipDecoder()
{
    if (ok_)
        inflateEnd(&z_);
}

bool GzipDecoder::feed(const QByteArray& data, const std::function<bool(const char*, qint64)>& out)
{
    if (!ok_)
        return false;
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z_.avail_in = static_cast<uInt>(data.size());
    char buffer[65536];
    for (;;) {
        if (atMemberEnd_) {
            if (z_.avail_in == 0)
                break;
            if (inflateReset(&z_) != Z_OK)  // another member follows
                return ok_ = false;
            atMemberEnd_ = false;
        }
        z_.next_out = reinterpret_cast<Bytef*>(buffer);
        z_.avail_out = sizeof buffer;
        const int rc = inflate(&z_, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            return ok_ = false;
        const qint64 produced = qint64(sizeof buffer - z_.avail_out);
        if (produced > 0 && !out(buffer, produced))
            return ok_ = false;
        if (rc == Z_STREAM_END)
            atMemberEnd_ = true;
        else if (z_.avail_in == 0 && z_.avail_out != 0)
            break;  // all input taken, all output given: needs more input
        else if (produced == 0 && rc == Z_BUF_ERROR)
            break;
    }
    return true;
}

}  // namespace updater
