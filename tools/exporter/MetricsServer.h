#pragma once
// The exporter's HTTP endpoint: civetweb (Debian's libcivetweb) serving /metrics in the
// Prometheus text format (prometheus-cpp's serializer) and a landing page at /, with TLS
// and basic authentication from the web configuration file.
//
// What a connection can cost is bounded: a fixed number of server threads, a time-out for
// a request to arrive whole, a cap on the size of its headers, no keep-alive (a scrape is
// one request), and idle connections are not handed to a thread until they send
// something (TCP_DEFER_ACCEPT), so a flood of silent connections cannot hold the threads
// that answer Prometheus.
//
// The metrics come from collectables added before start() (the fleet, and any other part
// the exporter collects); each scrape collects them all.

#include "WebConfig.h"

#include <prometheus/collectable.h>

#include <QString>

#include <memory>
#include <string>
#include <vector>

struct mg_connection;
struct mg_context;

class MetricsServer {
public:
    // Each thread holds one connection from its request's first byte to the answer: this
    // many clients sending their requests slowly at once keep a scrape waiting (about 23 kB
    // of memory each).
    static constexpr int kThreads = 256;
    static constexpr int kRequestTimeoutMs = 5000;
    static constexpr int kMaxRequestBytes = 8192; // request line and headers
    static constexpr int kConnectionQueue = 64;
    // How long the kernel keeps a connection that has sent nothing away from the server's
    // threads; once accepted, each would hold a thread for the request time-out, and 2,000
    // of them would keep scrapes waiting for minutes.
    static constexpr int kDeferAcceptS = 3600;
    // Connections the kernel may hold for the server (the silent ones among them), past
    // civetweb's default of 200; the kernel caps it at net.core.somaxconn.
    static constexpr int kListenBacklog = 4096;

    MetricsServer(std::string version, WebConfig config);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    void add(std::shared_ptr<prometheus::Collectable> collectable);
    // Listens on ADDR:PORT; false with *error set.
    bool start(const std::string& listen, QString* error);
    void stop();
    std::string url(const std::string& listen) const;

private:
    static int handle(mg_connection* conn, void* self);
    static int initTls(void* sslContext, void* self);
    static int logMessage(const mg_connection* conn, const char* message);
    int answer(mg_connection* conn);
    void deferAccept(int port);

    std::string version_;
    WebConfig config_;
    std::vector<std::shared_ptr<prometheus::Collectable>> collectables_;
    mg_context* context_ = nullptr;
    std::string lastError_;
};
