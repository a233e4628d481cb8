#include "IniText.h"

namespace IniText {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

QByteArrayView trimmed(QByteArrayView v) {
    qsizetype b = 0;
    qsizetype e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}
} // namespace

qsizetype firstLine(const QByteArray& data) {
    return data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

Line lineAt(const QByteArray& data, qsizetype pos) {
    const char* p = data.constData();
    const qsizetype n = data.size();
    qsizetype i = pos;
    while (i < n && p[i] != '\n' && p[i] != '\r')
        ++i;
    Line l;
    l.begin = pos;
    l.end = i;
    l.next = i == n ? n : (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') ? i + 2 : i + 1;
    return l;
}

bool lineStartsAt(const QByteArray& data, qsizetype pos) {
    return pos <= firstLine(data) || data[pos - 1] == '\n' || data[pos - 1] == '\r';
}

ParsedLine parse(QByteArrayView line) {
    ParsedLine p;
    const QByteArrayView t = trimmed(line);
    if (t.isEmpty())
        return p;
    if (t[0] == '[') {
        qsizetype close = t.indexOf(']');
        if (close < 0)
            close = t.size();
        p.kind = LineKind::Section;
        p.name = trimmed(t.sliced(1, close - 1));
        return p;
    }
    p.kind = LineKind::Entry;
    const qsizetype eq = t.indexOf('=');
    if (eq < 0) {
        p.name = t;
        return p;
    }
    p.name = trimmed(t.first(eq));
    QByteArrayView v = trimmed(t.sliced(eq + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v[v.size() - 1] == v[0])
        v = v.sliced(1, v.size() - 2);
    p.value = v;
    return p;
}

uchar upper(uchar c) {
    if (c >= 'a' && c <= 'z')
        return uchar(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return uchar(c - 32);
    return c;
}

bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (upper(uchar(a[i])) != upper(uchar(b[i])))
            return false;
    }
    return true;
}

QByteArray toFileText(const QString& text) {
    QByteArray out = text.toLatin1();
    for (char& c : out) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

QString fromFileText(QByteArrayView bytes) { return QString::fromLatin1(bytes); }

} // namespace IniText
