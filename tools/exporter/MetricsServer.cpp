#include "MetricsServer.h"

#include <prometheus/text_serializer.h>

#include <QDir>
#include <QFile>

#include <civetweb.h>
#include <openssl/ssl.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void send(mg_connection* conn, int status, const char* type, const std::string& body,
          const char* extraHeader = nullptr) {
    const char* reason = status == 200   ? "OK"
                         : status == 401 ? "Unauthorized"
                         : status == 404 ? "Not Found"
                                         : "Method Not Allowed";
    mg_printf(conn,
              "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n%s\r\n",
              status, reason, type, body.size(), extraHeader ? extraHeader : "");
    const mg_request_info* info = mg_get_request_info(conn);
    if (std::strcmp(info->request_method, "HEAD") != 0)
        mg_write(conn, body.data(), body.size());
}

} // namespace

MetricsServer::MetricsServer(std::string version, WebConfig config)
    : version_(std::move(version)), config_(std::move(config)) {}

MetricsServer::~MetricsServer() {
    stop();
}

void MetricsServer::add(std::shared_ptr<prometheus::Collectable> collectable) {
    collectables_.push_back(std::move(collectable));
}

std::string MetricsServer::url(const std::string& listen) const {
    return (config_.tls() ? "https://" : "http://") + listen + "/metrics";
}

bool MetricsServer::start(const std::string& listen, QString* error) {
    if (config_.tls() && mg_init_library(MG_FEATURES_SSL) != MG_FEATURES_SSL) {
        // civetweb loads the TLS library when it starts (libssl.so, libcrypto.so).
        *error = QStringLiteral("TLS is not available: the HTTP server could not load the "
                                "OpenSSL libraries (libssl.so, libcrypto.so)");
        return false;
    }
    const std::string ports = listen + (config_.tls() ? "s" : "");
    const std::string threads = std::to_string(kThreads);
    const std::string timeout = std::to_string(kRequestTimeoutMs);
    const std::string requestSize = std::to_string(kMaxRequestBytes);
    const std::string queue = std::to_string(kConnectionQueue);
    const std::string backlog = std::to_string(kListenBacklog);
    const char* options[] = {"listening_ports",
                             ports.c_str(),
                             "num_threads",
                             threads.c_str(),
                             "request_timeout_ms",
                             timeout.c_str(),
                             "max_request_size",
                             requestSize.c_str(),
                             "connection_queue",
                             queue.c_str(),
                             "listen_backlog",
                             backlog.c_str(),
                             "enable_keep_alive",
                             "no",
                             "linger_timeout_ms",
                             "500",
                             nullptr};
    mg_callbacks callbacks{};
    callbacks.log_message = &MetricsServer::logMessage;
    if (config_.tls())
        callbacks.init_ssl = &MetricsServer::initTls;
    char text[256] = {};
    unsigned code = 0;
    mg_error_data failure{&code, text, sizeof text};
    mg_init_data init{&callbacks, this, options};
    context_ = mg_start2(&init, &failure);
    if (context_ == nullptr) {
        *error = QString::fromLocal8Bit(text[0] ? text : "the HTTP server did not start");
        if (!lastError_.empty())
            *error += QStringLiteral(" (%1)").arg(QString::fromStdString(lastError_));
        return false;
    }
    mg_server_port port{};
    if (mg_get_server_ports(context_, 1, &port) == 1)
        deferAccept(port.port);
    mg_set_request_handler(context_, "/", &MetricsServer::handle, this);
    return true;
}

void MetricsServer::stop() {
    if (context_ != nullptr)
        mg_stop(context_);
    context_ = nullptr;
}

// Silent connections stay with the kernel until they send their request: civetweb's
// listening socket is found among this process's descriptors by its port.
void MetricsServer::deferAccept(int port) {
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files);
    for (const QString& name : fds) {
        const int fd = name.toInt();
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode))
            continue;
        int listening = 0;
        socklen_t len = sizeof listening;
        sockaddr_in address{};
        socklen_t alen = sizeof address;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) != 0 || !listening ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &alen) != 0 ||
            address.sin_family != AF_INET || ntohs(address.sin_port) != port)
            continue;
        const int seconds = kDeferAcceptS;
        ::setsockopt(fd, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds);
    }
}

int MetricsServer::logMessage(const mg_connection* conn, const char* message) {
    const mg_context* ctx = mg_get_context(conn);
    if (ctx != nullptr) {
        auto* self = static_cast<MetricsServer*>(mg_get_user_data(ctx));
        if (self != nullptr && self->context_ == nullptr)
            self->lastError_ = message; // at start: said with the failure
    }
    return 1; // civetweb's own messages do not go to the standard error
}

int MetricsServer::initTls(void* sslContext, void* self) {
    auto* server = static_cast<MetricsServer*>(self);
    auto* ctx = static_cast<SSL_CTX*>(sslContext);
    const WebConfig& c = server->config_;
    const QByteArray cert = QFile::encodeName(c.certFile());
    const QByteArray key = QFile::encodeName(c.keyFile());
    auto fail = [&](const char* what) {
        server->lastError_ = what;
        return -1;
    };
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    if (SSL_CTX_use_certificate_chain_file(ctx, cert.constData()) != 1)
        return fail("cert_file holds no usable PEM certificate");
    if (SSL_CTX_use_PrivateKey_file(ctx, key.constData(), SSL_FILETYPE_PEM) != 1)
        return fail("key_file holds no usable PEM private key");
    if (SSL_CTX_check_private_key(ctx) != 1)
        return fail("key_file does not belong to the certificate of cert_file");
    if (c.clientAuth() != WebConfig::ClientAuth::None) {
        const QByteArray ca = QFile::encodeName(c.clientCaFile());
        if (SSL_CTX_load_verify_locations(ctx, ca.constData(), nullptr) != 1)
            return fail("client_ca_file holds no usable PEM certificate");
        SSL_CTX_set_client_CA_list(ctx, SSL_load_client_CA_file(ca.constData()));
        SSL_CTX_set_verify(ctx,
                           SSL_VERIFY_PEER |
                               (c.clientAuth() == WebConfig::ClientAuth::RequireAndVerify
                                    ? SSL_VERIFY_FAIL_IF_NO_PEER_CERT
                                    : 0),
                           nullptr);
    } else {
        SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    }
    return 1; // the certificate is set up here
}

int MetricsServer::handle(mg_connection* conn, void* self) {
    return static_cast<MetricsServer*>(self)->answer(conn);
}

int MetricsServer::answer(mg_connection* conn) {
    const mg_request_info* info = mg_get_request_info(conn);
    if (!config_.authorized(mg_get_header(conn, "Authorization"))) {
        send(conn, 401, "text/plain; charset=utf-8", "Unauthorized\n",
             "WWW-Authenticate: Basic realm=\"tessovar-exporter\", charset=\"UTF-8\"\r\n");
        return 401;
    }
    if (std::strcmp(info->request_method, "GET") != 0 &&
        std::strcmp(info->request_method, "HEAD") != 0) {
        send(conn, 405, "text/plain; charset=utf-8", "Only GET and HEAD\n", "Allow: GET, HEAD\r\n");
        return 405;
    }
    const std::string path = info->local_uri ? info->local_uri : "";
    if (path == "/metrics") {
        std::vector<prometheus::MetricFamily> families;
        for (const auto& c : collectables_) {
            auto more = c->Collect();
            std::move(more.begin(), more.end(), std::back_inserter(families));
        }
        send(conn, 200, "text/plain; version=0.0.4; charset=utf-8",
             prometheus::TextSerializer().Serialize(families));
        return 200;
    }
    if (path == "/") {
        const std::string v = escaped(version_);
        send(conn, 200, "text/html; charset=utf-8",
             "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\">"
             "<title>tessovar-exporter</title></head>\n<body>\n<h1>tessovar-exporter " +
                 v +
                 "</h1>\n<p>The state and counters of the Tessovar elements of an element "
                 "database, for Prometheus.</p>\n<p><a href=\"/metrics\">Metrics</a></p>\n"
                 "</body>\n</html>\n");
        return 200;
    }
    send(conn, 404, "text/plain; charset=utf-8", "Not found: see /metrics\n");
    return 404;
}
