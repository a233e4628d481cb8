#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) {
    prepared_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::bind(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (stmt_ != nullptr)
        sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, qint64 number) {
    if (stmt_ != nullptr)
        sqlite3_bind_int64(stmt_, index, number);
    return *this;
}

int SqliteStatement::step() {
    return stmt_ != nullptr ? sqlite3_step(stmt_) : prepared_;
}

void SqliteStatement::reset() {
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

QString SqliteStatement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p != nullptr ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QString();
}

qint64 SqliteStatement::number(int column) const {
    return sqlite3_column_int64(stmt_, column);
}
