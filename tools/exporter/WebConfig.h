#pragma once
// The exporter's web configuration file (--web.config.file), in the format Prometheus
// exporters share (exporter-toolkit):
//
//   tls_server_config:
//     cert_file: server.crt          # PEM; a chain may follow the certificate
//     key_file: server.key
//     client_ca_file: ca.crt         # optional
//     client_auth_type: RequireAndVerifyClientCert   # optional, see below
//   basic_auth_users:
//     prometheus: $2y$10$...         # bcrypt hashes only, never plain text
//
// Paths are relative to the file's folder.  client_auth_type is NoClientCert (the
// default), VerifyClientCertIfGiven or RequireAndVerifyClientCert; the forms that take a
// client certificate without verifying it are refused.  Anything else the file holds
// (http_server_config, other TLS keys) is refused rather than ignored, so a setting is
// never believed to be in force when it is not.
//
// Passwords are checked with the system's crypt (libxcrypt's bcrypt); a password found
// good is remembered (as a SHA-256 of user and password) so a scrape does not pay the
// bcrypt cost each time.

#include <QByteArray>
#include <QSet>
#include <QString>

#include <map>
#include <mutex>
#include <string>

class WebConfig {
public:
    enum class ClientAuth { None, VerifyIfGiven, RequireAndVerify };

    // Reads and checks the file; false with *error set (the file's name and what is wrong).
    static bool load(const QString& path, WebConfig* out, QString* error);
    // The same from text, paths relative to folder (the checks of the files included).
    static bool parse(const QByteArray& yaml, const QString& folder, WebConfig* out,
                      QString* error);

    bool tls() const { return !certFile_.isEmpty(); }
    const QString& certFile() const { return certFile_; }
    const QString& keyFile() const { return keyFile_; }
    const QString& clientCaFile() const { return clientCaFile_; }
    ClientAuth clientAuth() const { return clientAuth_; }
    bool basicAuth() const { return !users_.empty(); }

    // The value of an Authorization header ("Basic base64(user:password)") against the
    // users of the file.  Safe from several threads at once.
    bool authorized(const char* header) const;

    WebConfig() = default;
    WebConfig(const WebConfig& other)
        : certFile_(other.certFile_), keyFile_(other.keyFile_), clientCaFile_(other.clientCaFile_),
          clientAuth_(other.clientAuth_), users_(other.users_) {}
    WebConfig& operator=(const WebConfig& other) {
        certFile_ = other.certFile_;
        keyFile_ = other.keyFile_;
        clientCaFile_ = other.clientCaFile_;
        clientAuth_ = other.clientAuth_;
        users_ = other.users_;
        return *this;
    }

private:
    static constexpr int kRemembered = 64;

    QString certFile_, keyFile_, clientCaFile_;
    ClientAuth clientAuth_ = ClientAuth::None;
    std::map<std::string, std::string> users_; // user -> bcrypt hash
    mutable std::mutex mutex_;
    mutable QSet<QByteArray> good_;
};
