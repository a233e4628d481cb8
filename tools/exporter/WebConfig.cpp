#include "WebConfig.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <crypt.h>
#include <yaml-cpp/yaml.h>

#include <cstring>
#include <memory>

namespace {

bool isBcrypt(const std::string& hash) {
    // $2a$, $2b$ or $2y$, a two-digit cost, 53 characters of salt and hash.
    return hash.size() == 60 && hash[0] == '$' && hash[1] == '2' &&
           (hash[2] == 'a' || hash[2] == 'b' || hash[2] == 'y') && hash[3] == '$' && hash[6] == '$';
}

// A file the exporter will read at start: it must exist and be readable now.
bool readableFile(const QString& path, QString* error, const char* key) {
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 %2 cannot be read").arg(QLatin1String(key), path);
        return false;
    }
    return true;
}

bool constantTimeEqual(const char* a, const std::string& b) {
    const size_t n = std::strlen(a);
    if (n != b.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < n; ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

bool WebConfig::load(const QString& path, WebConfig* out, QString* error) {
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the web configuration file %1 cannot be read").arg(path);
        return false;
    }
    const QByteArray text = f.read(1 << 20);
    if (!parse(text, QFileInfo(path).absolutePath(), out, error)) {
        *error = QStringLiteral("the web configuration file %1: %2").arg(path, *error);
        return false;
    }
    return true;
}

bool WebConfig::parse(const QByteArray& yaml, const QString& folder, WebConfig* out,
                      QString* error) {
    WebConfig c;
    auto path = [&](const YAML::Node& n) {
        return QDir(folder).absoluteFilePath(QString::fromStdString(n.as<std::string>()));
    };
    try {
        const YAML::Node root = YAML::Load(yaml.toStdString());
        if (!root.IsNull() && !root.IsMap()) {
            *error = QStringLiteral("expected tls_server_config and basic_auth_users");
            return false;
        }
        for (const auto& entry : root) {
            const std::string key = entry.first.as<std::string>();
            const YAML::Node value = entry.second;
            if (key == "tls_server_config") {
                for (const auto& t : value) {
                    const std::string k = t.first.as<std::string>();
                    if (k == "cert_file")
                        c.certFile_ = path(t.second);
                    else if (k == "key_file")
                        c.keyFile_ = path(t.second);
                    else if (k == "client_ca_file")
                        c.clientCaFile_ = path(t.second);
                    else if (k == "client_auth_type") {
                        const std::string type = t.second.as<std::string>();
                        if (type == "NoClientCert")
                            c.clientAuth_ = ClientAuth::None;
                        else if (type == "VerifyClientCertIfGiven")
                            c.clientAuth_ = ClientAuth::VerifyIfGiven;
                        else if (type == "RequireAndVerifyClientCert")
                            c.clientAuth_ = ClientAuth::RequireAndVerify;
                        else {
                            *error = QStringLiteral("client_auth_type %1 is not supported "
                                                    "(NoClientCert, VerifyClientCertIfGiven, "
                                                    "RequireAndVerifyClientCert)")
                                         .arg(QString::fromStdString(type));
                            return false;
                        }
                    } else {
                        *error = QStringLiteral("tls_server_config: %1 is not supported")
                                     .arg(QString::fromStdString(k));
                        return false;
                    }
                }
            } else if (key == "basic_auth_users") {
                if (!value.IsMap() && !value.IsNull()) {
                    *error = QStringLiteral("basic_auth_users must map users to bcrypt hashes");
                    return false;
                }
                for (const auto& u : value) {
                    const std::string user = u.first.as<std::string>();
                    const std::string hash = u.second.IsScalar() ? u.second.as<std::string>() : "";
                    if (user.empty() || user.find(':') != std::string::npos) {
                        *error = QStringLiteral("basic_auth_users: a user name may not be "
                                                "empty nor hold \":\"");
                        return false;
                    }
                    if (!isBcrypt(hash)) {
                        *error = QStringLiteral("basic_auth_users: the password of %1 is not "
                                                "a bcrypt hash (make one with htpasswd -nBC 10 "
                                                "\"\" | tr -d ':\\n')")
                                     .arg(QString::fromStdString(user));
                        return false;
                    }
                    c.users_[user] = hash;
                }
            } else {
                *error = QStringLiteral("%1 is not supported").arg(QString::fromStdString(key));
                return false;
            }
        }
    } catch (const YAML::Exception& e) {
        *error = QString::fromStdString(e.what());
        return false;
    }
    if (c.certFile_.isEmpty() != c.keyFile_.isEmpty()) {
        *error = QStringLiteral("tls_server_config needs both cert_file and key_file");
        return false;
    }
    if (c.clientAuth_ != ClientAuth::None && c.clientCaFile_.isEmpty()) {
        *error = QStringLiteral("client_auth_type needs client_ca_file");
        return false;
    }
    if (!c.clientCaFile_.isEmpty() && c.certFile_.isEmpty()) {
        *error = QStringLiteral("client_ca_file needs cert_file and key_file");
        return false;
    }
    for (const auto& [file, key] :
         {std::pair{c.certFile_, "cert_file"}, std::pair{c.keyFile_, "key_file"},
          std::pair{c.clientCaFile_, "client_ca_file"}}) {
        if (!file.isEmpty() && !readableFile(file, error, key))
            return false;
    }
    *out = c;
    return true;
}

bool WebConfig::authorized(const char* header) const {
    if (users_.empty())
        return true;
    if (header == nullptr || std::strncmp(header, "Basic ", 6) != 0)
        return false;
    const auto result = QByteArray::fromBase64Encoding(QByteArray(header + 6).trimmed(),
                                                       QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return false;
    const QByteArray* decoded = &result.decoded;
    const qsizetype colon = decoded->indexOf(':');
    if (colon <= 0)
        return false;
    const auto user = users_.find(decoded->left(colon).toStdString());
    if (user == users_.end())
        return false;
    const QByteArray password = decoded->mid(colon + 1);
    if (password.contains('\0'))
        return false; // crypt would read only what comes before it
    const QByteArray remembered = QCryptographicHash::hash(
        *decoded + '\0' + QByteArray::fromStdString(user->second), QCryptographicHash::Sha256);
    {
        const std::lock_guard lock(mutex_);
        if (good_.contains(remembered))
            return true;
    }
    const auto data = std::make_unique<crypt_data>(); // 32 KB: not on a server thread's stack
    const char* hashed = crypt_r(password.constData(), user->second.c_str(), data.get());
    if (hashed == nullptr || !constantTimeEqual(hashed, user->second))
        return false;
    const std::lock_guard lock(mutex_);
    if (good_.size() >= kRemembered)
        good_.clear();
    good_.insert(remembered);
    return true;
}
