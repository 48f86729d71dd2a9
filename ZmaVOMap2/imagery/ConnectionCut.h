// Letting go of an answer unread. Before WinInet lets a request's connection go, it reads what is
// left of the answer (to keep the connection for the next request), for as long as the server
// keeps sending: an answer refused for the length it announces, or given up, would be read to its
// end all the same, holding the caller. A connection shut down first leaves nothing to read.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace imagery {

// A mark unique in the process, for one request to carry as its send timeout: WinInet gives the
// request's socket that timeout before each send, so the mark tells the socket. Sending a
// request's head and a small body never waits, so the time it allows is free to carry the mark.
DWORD NextRequestMark();

// Shuts down the connection of `request`, which holds an answer not read to its end and has no
// operation under way (so that nothing but the calling thread uses or closes its socket
// meanwhile). The socket is the one WinInet names for the request, or where it names none (Wine's
// WinInet does not), the one socket of the process whose send timeout is `mark`. A socket not
// found for certain is left alone, and the rest of the answer to WinInet.
void CutConnection(HINTERNET request, DWORD mark);

}  // namespace imagery
