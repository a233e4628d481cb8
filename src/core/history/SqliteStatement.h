#pragma once
// A prepared SQLite statement that finalizes itself, with text and integer binding in
// the program's own types.

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // The result code of preparing (SQLITE_OK when it can be stepped).
    int prepared() const { return prepared_; }

    SqliteStatement& bind(int index, const QString& text);
    SqliteStatement& bind(int index, qint64 number);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();

    QString text(int column) const;
    qint64 number(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    int prepared_ = 0;
};
