// Result values of the renderer's operations: the HRESULTs its COM interface returns, as plain
// 32-bit integers so the core builds without <windows.h>.
#pragma once

#include <stdint.h>

namespace vemo {

constexpr int32_t kOk = 0;
constexpr int32_t kCorruptFile = int32_t(0x80001001u);
constexpr int32_t kOutOfMemory = int32_t(0x8534E107u);
constexpr int32_t kIncompatibleVersion = int32_t(0x8534E10Bu);
constexpr int32_t kInvalidArgument = int32_t(0x80070057u); // E_INVALIDARG
constexpr int32_t kNullPointer = int32_t(0x80004003u);     // E_POINTER
constexpr int32_t kBadHandle = int32_t(0x80070006u);       // E_HANDLE
constexpr int32_t kNotImplemented = int32_t(0x80004001u);  // E_NOTIMPL

// Success bits of the end of data.
constexpr int32_t kWarnVersion15Objects = 0x01; // blends or text: read, skipped, not drawn
constexpr int32_t kWarnUnknownRecords = 0x02;   // records of kinds this reader does not know

// Success bits of RenderSlice.
constexpr int32_t kSliceIncomplete = 0x04;
constexpr int32_t kSliceFinished = 0x08;
constexpr int32_t kSliceNewPixels = 0x10;

} // namespace vemo
