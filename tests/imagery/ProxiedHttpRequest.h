// A stand-in for MSXML 4's server-side HTTP request object in its version that takes a proxy
// server and proxy credentials, which Wine's MSXML lacks: a real HTTP client over WinInet that
// goes through the proxy setProxy names and answers the proxy's 407 with the credentials
// setProxyCredentials gave. Registered over MSXML 4's class id on the calling thread for the life
// of the object.
#pragma once

#include <windows.h>


namespace imagerytest {

class ProxiedHttpRequests {
public:
    ProxiedHttpRequests();
    ~ProxiedHttpRequests();
    ProxiedHttpRequests(const ProxiedHttpRequests&) = delete;
    ProxiedHttpRequests& operator=(const ProxiedHttpRequests&) = delete;

private:
    DWORD cookie_ = 0;
};

}  // namespace imagerytest
