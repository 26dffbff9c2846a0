// ProbeClient: a command client for the local quote server's probe command
// (0x7F), used to exercise the engine and the reply framework: the request
// asks for one answer, pushes, error answers or no answer at all, and the
// reply hands the answer's body bytes over as kind kProbeKind.
#ifndef PELMAR_TESTS_PROBECLIENT_H
#define PELMAR_TESTS_PROBECLIENT_H

#include <cstdint>
#include <memory>
#include <vector>

#include "b2cbasicreply.h"
#include "b2cservice.h"
#include "contextbasicb2cclient.h"
#include "replyreader.h"

constexpr uint8_t kProbeCommand = 0x7F;
constexpr uint16_t kProbeKind = 200;

enum ProbeMode : uint8_t {
    kProbeOnce = 0,
    kProbePush = 1,
    kProbeError = 2,
    kProbeErrorGzip = 3,
    kProbeOnceGzip = 4,
    kProbeEmptyError = 5,
    kProbeSilent = 6,
    kProbeVersion2 = 7,
    kProbeOnceGzip33 = 9,
};

class ProbeReply : public B2CBasicReply {
public:
    using B2CBasicReply::B2CBasicReply;
    bool parse() override
    {
        ReplyReader in(payload());
        bytes_.resize(in.remaining());
        if (!in.bytes(bytes_.data(), static_cast<unsigned>(bytes_.size())))
            return false;
        reply_.kind = kProbeKind;
        reply_.count = static_cast<int32_t>(bytes_.size());
        reply_.data = bytes_.data();
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
};

class ProbeClient : public ContextBasicB2CClient {
public:
    ProbeClient(ContextBase& context, uint8_t mode, std::vector<uint8_t> payload, uint16_t repeat = 0,
                uint16_t interval_ms = 20)
        : ContextBasicB2CClient(context), mode_(mode), payload_(std::move(payload)), repeat_(repeat),
          interval_(interval_ms)
    {}

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase&) override
    {
        header.command = kProbeCommand;
        b2c_stream_append_int8(header.payload, static_cast<int8_t>(mode_));
        b2c_stream_append_int16(header.payload, static_cast<int16_t>(repeat_));
        b2c_stream_append_int16(header.payload, static_cast<int16_t>(interval_));
        if (!payload_.empty())
            b2c_stream_append_bytes(header.payload, payload_.data(), static_cast<unsigned>(payload_.size()));
        return true;
    }
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override
    {
        return std::make_shared<ProbeReply>(header);
    }

private:
    uint8_t mode_;
    std::vector<uint8_t> payload_;
    uint16_t repeat_;
    uint16_t interval_;
};

#endif
