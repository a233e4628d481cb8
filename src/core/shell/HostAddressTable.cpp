#include "HostAddressTable.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <netinet/in.h>

HostAddressResult IfAddrsHostAddressTable::read() const {
    HostAddressResult r;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        r.errorCode = errno != 0 ? errno : -1;
        return r;
    }
    for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        r.addresses.push_back(ntohl(in->sin_addr.s_addr));
    }
    freeifaddrs(list);
    return r;
}
