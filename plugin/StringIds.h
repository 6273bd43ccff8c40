// Ids of the library's string table.
#pragma once

#include <stdint.h>

constexpr uint32_t kStringInternalError = 32792;       // "An internal error has occured"
constexpr uint32_t kStringErrorFrom = 32793;           // "Error from "
constexpr uint32_t kStringCorruptFile = 32795;         // "Failed to load corrupt file"
constexpr uint32_t kStringOutOfMemory = 32798;         // "Out of memory"
constexpr uint32_t kStringIncompatibleVersion = 32799; // "Incompatible file version"
constexpr uint32_t kStringRendererMissing = 32800; // no text: the error box shows only its caption
constexpr uint32_t kStringMakerPage = 32801;       // the address of the maker's plug-in page
constexpr uint32_t kStringObjectsNotUnderstood = 32802;
constexpr uint32_t kStringObjectsNotSupported = 32803;
constexpr uint32_t kStringTheDrawing = 32804;
constexpr uint32_t kStringUpgradeHint = 32805;
constexpr uint32_t kStringProductName = 32807; // "Vemo graphic plug-in"
