#pragma once
// Element sections for tests, written out as the feedback processing writes them (upper
// case keys, CR LF), with keys replaced, added or left out per test.

#include <QByteArray>
#include <QList>
#include <QPair>

#include <initializer_list>

namespace ElementDatabase {

using Keys = QList<QPair<QByteArray, QByteArray>>;

// name: the section name; keys in file order.  A value of nullptr-equivalent (empty
// QByteArray with isNull()) leaves the key out.
inline QByteArray section(const QByteArray& name, const Keys& keys) {
    QByteArray out = "[" + name + "]\r\n";
    for (const auto& [k, v] : keys) {
        if (!v.isNull())
            out += k + "=" + v + "\r\n";
    }
    return out;
}

// keys with some values replaced (or removed with a null value, or appended when new).
inline Keys with(Keys keys, const Keys& changes) {
    for (const auto& [k, v] : changes) {
        bool found = false;
        for (auto& kv : keys) {
            if (kv.first == k) {
                kv.second = v;
                found = true;
            }
        }
        if (!found)
            keys.append({k, v});
    }
    return keys;
}

// A unicast encoder as a discovery stores it.
inline Keys encoder() {
    return {{"NAME", "STUDIO ONE      "},
            {"IP", "127.0.0.2"},
            {"MASK", "255.255.255.0"},
            {"GW", "127.0.0.1"},
            {"INPUT", "1"},
            {"TYPE", "1"},
            {"TX", "0"},
            {"REMOTE", "127.0.0.3"},
            {"ROLE", "1"},
            {"SN", "1234"},
            {"VER", "3.5"},
            {"SFN", "0"},
            {"BUF", "0"},
            {"LLO", "0"}};
}

// A decoder as a discovery stores it.
inline Keys decoder() {
    return {{"NAME", "TRANSMITTER A   "},
            {"IP", "127.0.0.3"},
            {"MASK", "255.255.0.0"},
            {"GW", "127.0.0.254"},
            {"INPUT", "0"},
            {"TYPE", "0"},
            {"TX", "1"},
            {"MULTI", "239.1.2.3"},
            {"ROLE", "2"},
            {"SN", "777"},
            {"VER", "3.49"},
            {"SFN", "0"},
            {"BUF", "4"},
            {"ATT", "200"},
            {"SDM", "0"},
            {"SDL", "37"},
            {"SDT", "43"},
            {"LLO", "0"}};
}

inline const QByteArray kAbsent = QByteArray(); // a null value: the key is left out

} // namespace ElementDatabase
