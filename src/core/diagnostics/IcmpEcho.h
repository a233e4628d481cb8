#pragma once
// The ping's view of the ICMP module, so the ping button can be tested with a stand-in;
// SystemIcmpEcho is the real one.

#include "Icmp.h"

class IcmpEcho {
public:
    virtual ~IcmpEcho() = default;
    virtual bool startSockets() = 0;
    virtual void stopSockets() = 0;
    virtual qint32 pingHost(const QString& address, Icmp::EchoReply& reply) = 0;
};

class SystemIcmpEcho final : public IcmpEcho {
public:
    bool startSockets() override { return Icmp::StartSockets(); }
    void stopSockets() override { Icmp::StopSockets(); }
    qint32 pingHost(const QString& address, Icmp::EchoReply& reply) override {
        return Icmp::PingHost(address, reply);
    }
};
