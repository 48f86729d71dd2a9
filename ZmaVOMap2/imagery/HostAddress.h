// Host addresses for the download log and the token request. Each function starts Winsock for
// its own use and cleans up only what it started.
#pragma once

#include <string>

namespace imagery {

// Logs which address a tile or service request went to: "Data downloaded from IP :<address>
// URL = <text>", or "Failed to downloaded data from IP :..." when `failed`, or why the host name
// in `text` (an address, possibly followed by an error text) did not resolve, with the address's
// credentials hidden and its control characters escaped (LoggedText). Only the first 10 calls of
// the process log anything. Never throws.
void LogHostIPAddress(const std::string& text, bool failed) noexcept;

// The dotted IPv4 address of the local host name, or "127.0.0.1" when it has none.
std::string GetLocalIPAddress();

}  // namespace imagery
