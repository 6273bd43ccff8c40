// Streaming reader of the drawing format. Chunks of any size arrive in order; records may be cut
// anywhere, and the document that results does not depend on where the cuts fall. Every count
// and length is checked against what remains and against the documented limits before memory is
// taken.
#pragma once

#include <stdint.h>

#include "renderer/Document.h"
#include "renderer/PodArray.h"

namespace vemo {

class DrawingParser {
public:
    explicit DrawingParser(Document& document) : doc(document) {}

    // One chunk; kOk or a failure code. After a failure every call repeats that failure.
    int32_t Feed(const uint8_t* data, uint32_t length);
    // The end of the data: the warning bits, or a failure (a record cut short is corrupt).
    int32_t Finish();
    // Starts over for a new drawing (the document is cleared too).
    void Reset();

    bool Failed() const { return failure != kOkState; }
    bool Finished() const { return state == State::Ended; }
    int32_t Warnings() const { return warnings; }
    uint16_t Major() const { return major; }
    uint16_t Minor() const { return minor; }
    // Where a failure arose: the offset in the data of the header (0), the version (8) or the
    // record that broke a rule, was too large or was cut short.
    uint64_t FailureOffset() const { return failureOffset; }
    // Records stepped over (blends, text and kinds this reader does not know).
    uint32_t SkippedRecords() const { return skippedRecords; }

private:
    enum class State { Magic, Version, RecordHeader, Payload, Skip, Ended };
    static constexpr int32_t kOkState = 0;

    int32_t Fail(int32_t code);
    int32_t BeginRecord();
    int32_t ApplyRecord(const uint8_t* payload, uint32_t length);
    int32_t ApplyPath(const uint8_t* payload, uint32_t length);
    int32_t ApplyLink(const uint8_t* payload, uint32_t length);
    int32_t ApplyGradient(const uint8_t* payload, uint32_t length);

    Document& doc;
    State state = State::Magic;
    int32_t failure = kOkState;
    int32_t warnings = 0;
    uint16_t major = 0;
    uint16_t minor = 0;
    uint64_t fed = 0;           // bytes before the current chunk
    uint64_t itemStart = 0;     // offset of the header, version or record being read
    uint64_t failureOffset = 0;
    uint32_t skippedRecords = 0;

    uint8_t small[8] = {};  // magic, version or record header being gathered
    uint32_t smallFill = 0; // bytes of it so far
    uint16_t tag = 0;
    uint32_t recordLength = 0;
    uint64_t remaining = 0; // payload bytes still to gather or skip
    PodArray<uint8_t> payload;
};

} // namespace vemo
