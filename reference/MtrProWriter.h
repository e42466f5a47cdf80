#pragma once

#include "reference/MtrWriter.h"

namespace korvel {

// The music-track writer of the second kind: its own contents type and track
// number, and a "Pro" sub-chunk with the play length at the end of "OPDA"
// (61 bytes instead of 41).
class MtrProWriter : public MtrWriter {
public:
    MtrProWriter();
    ~MtrProWriter() override;

    int buildOpda(ByteVector& chunk, std::size_t& trackCheckAt, std::size_t& optionsCheckAt) override;
};

}  // namespace korvel
