// The class of the installer's test renderer component.
#pragma once

#include <windows.h>

// {5E7A1C40-9D1B-4F7C-A0E2-7B3C15D0E8A1}
inline constexpr CLSID CLSID_SetupTestServer = {
    0x5e7a1c40, 0x9d1b, 0x4f7c, {0xa0, 0xe2, 0x7b, 0x3c, 0x15, 0xd0, 0xe8, 0xa1}};
#define SETUP_TEST_SERVER_CLSID "{5E7A1C40-9D1B-4F7C-A0E2-7B3C15D0E8A1}"
