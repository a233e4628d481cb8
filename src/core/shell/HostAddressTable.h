#pragma once
// The host's IPv4 address table.

#include <QtGlobal>

#include <vector>

struct HostAddressResult {
    int errorCode = 0;               // 0: the table was read
    std::vector<quint32> addresses;  // host byte order, as the kernel lists them
};

class HostAddressTable {
public:
    virtual ~HostAddressTable() = default;
    virtual HostAddressResult read() const = 0;
};

// getifaddrs(): every IPv4 address of every interface, loopback included.
class IfAddrsHostAddressTable final : public HostAddressTable {
public:
    HostAddressResult read() const override;
};
