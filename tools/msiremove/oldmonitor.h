// The older status-monitor package: vqmsiremove uninstalls it, vqsmexport reads the uninstall
// key named after it.
#pragma once

// 38 characters: a GUID in braces, upper-case hexadecimal.
constexpr wchar_t OldMonitorProductCode[] = L"{5A1C3E7D-2B94-4F60-8D1E-C7A0B3F92E54}";
