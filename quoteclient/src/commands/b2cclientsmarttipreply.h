// B2CClientSmartTipReply: smart tips (answers to 0x3F and 0x48): u8 k; k
// option bytes (not used); int16 n; n rows {identity block; int8 kind; int32
// time (decimal date-time); 16 bytes text}. Delivered as kind 9 with the rows
// in reverse order (the newest first).
#ifndef PELMAR_B2CCLIENTSMARTTIPREPLY_H
#define PELMAR_B2CCLIENTSMARTTIPREPLY_H

#include <vector>

#include "b2cbasicreply.h"

class B2CClientSmartTipReply : public B2CBasicReply {
public:
    // The tip options both requests send.
    static constexpr uint8_t kOptions[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    // Display text and class of kinds 0 to 20.
    static const char* const kKindText[21];
    static const uint8_t kKindClass[21];

    explicit B2CClientSmartTipReply(const _B2CQuoteMsg& header) : B2CBasicReply(header) {}

    bool parse() override;
    const std::vector<QuoteSmartTip>& rows() const { return rows_; }

private:
    std::vector<QuoteSmartTip> rows_;
};

#endif
