// The board in SQLite: one file, board.db, in the server's data folder, in
// write-ahead-log mode; one connection, one statement at a time.
#include <sqlite3.h>

#include <filesystem>

#include "board.h"
#include "storage_sql.h"

namespace board {

namespace {

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) Fail();
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(const std::string& text) {
        Check(sqlite3_bind_text(statement_, ++bound_, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& Bind(int64_t number) {
        Check(sqlite3_bind_int64(statement_, ++bound_, number));
        return *this;
    }
    Statement& Bind(const Bytes& bytes) {
        Check(sqlite3_bind_blob(statement_, ++bound_, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while there is a row; false when done.
    bool Step() {
        const int code = sqlite3_step(statement_);
        if (code == SQLITE_ROW) return true;
        if (code == SQLITE_DONE) return false;
        Fail();
        return false;
    }
    // Runs a statement that may break a constraint: false when it did.
    bool StepUnlessConstraint() {
        const int code = sqlite3_step(statement_);
        if (code == SQLITE_DONE || code == SQLITE_ROW) return true;
        if ((sqlite3_extended_errcode(db_) & 0xff) == SQLITE_CONSTRAINT) return false;
        Fail();
        return false;
    }
    int64_t Int(int column) { return sqlite3_column_int64(statement_, column); }
    std::string Text(int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column))) : "";
    }
    Bytes Blob(int column) {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement_, column));
        return bytes ? Bytes(bytes, bytes + sqlite3_column_bytes(statement_, column)) : Bytes();
    }

private:
    void Check(int code) {
        if (code != SQLITE_OK) Fail();
    }
    [[noreturn]] void Fail() { throw Unavailable(std::string("SQLite: ") + sqlite3_errmsg(db_)); }
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    int bound_ = 0;
};

class SqliteStorage : public Storage {
public:
    explicit SqliteStorage(sqlite3* db) : db_(db) {}
    ~SqliteStorage() override { sqlite3_close(db_); }

    void Run(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string what = error ? error : "unknown error";
            sqlite3_free(error);
            throw Unavailable("SQLite: " + what);
        }
    }

    // Brings the schema up to the newest version, in one transaction.
    void Migrate() {
        std::lock_guard<std::mutex> lock(mutex_);
        Run("BEGIN IMMEDIATE");
        try {
            Run(SchemaTable);
            int64_t version = 0;
            {
                Statement read(db_, "SELECT COALESCE(MAX(version), 0) FROM board_schema");
                if (read.Step()) version = read.Int(0);
            }
            for (const Migration& step : Migrations)
                if (step.version > version) {
                    Run(step.sqlite);
                    Statement(db_, "INSERT INTO board_schema (version) VALUES (?)").Bind(step.version).Step();
                }
            Run("COMMIT");
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    bool Insert(Entry* entry, const std::string& playHash, const Bytes& replay, int64_t* existing) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement insert(db_,
                         "INSERT INTO entries (play_hash, name, points, stage, combo, ship, difficulty, stages, result, "
                         "submitted, replay) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insert.Bind(playHash).Bind(entry->name).Bind(entry->points).Bind(int64_t(entry->stage)).Bind(int64_t(entry->combo));
        insert.Bind(entry->ship).Bind(entry->difficulty).Bind(entry->stages).Bind(entry->result).Bind(entry->date).Bind(replay);
        if (!insert.StepUnlessConstraint()) {
            *existing = FindLocked(playHash);
            return false;
        }
        entry->id = sqlite3_last_insert_rowid(db_);
        Statement rank(db_, RankQuery('?').c_str());
        rank.Bind(entry->difficulty).Bind(entry->stages).Bind(entry->points).Bind(entry->points);
        rank.Bind(int64_t(entry->stage)).Bind(int64_t(entry->stage)).Bind(entry->id);
        entry->rank = rank.Step() ? rank.Int(0) + 1 : 0;
        return true;
    }

    int64_t FindPlay(const std::string& playHash) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return FindLocked(playHash);
    }

    std::vector<Entry> Scores(const std::string& difficulty, const std::string& ship, const std::string& stages, int limit,
                              int64_t offset, int64_t* total) override {
        std::lock_guard<std::mutex> lock(mutex_);
        {
            Statement count(db_, "SELECT COUNT(*) FROM entries WHERE difficulty = ? AND stages = ? AND (? = '' OR ship = ?)");
            count.Bind(difficulty).Bind(stages).Bind(ship).Bind(ship);
            *total = count.Step() ? count.Int(0) : 0;
        }
        Statement page(db_, ScoresQuery('?').c_str());
        page.Bind(difficulty).Bind(stages).Bind(ship).Bind(ship).Bind(int64_t(limit)).Bind(offset);
        std::vector<Entry> rows;
        while (page.Step()) {
            Entry row;
            row.id = page.Int(0);
            row.name = page.Text(1);
            row.points = page.Int(2);
            row.stage = static_cast<int32_t>(page.Int(3));
            row.combo = static_cast<int32_t>(page.Int(4));
            row.ship = page.Text(5);
            row.difficulty = page.Text(6);
            row.stages = page.Text(7);
            row.result = page.Text(8);
            row.date = page.Text(9);
            row.rank = offset + static_cast<int64_t>(rows.size()) + 1;
            rows.push_back(row);
        }
        return rows;
    }

    std::vector<BoardCount> Boards() override {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement query(db_, BoardsQuery);
        std::vector<BoardCount> boards;
        while (query.Step()) boards.push_back({query.Text(0), query.Text(1), query.Int(2)});
        return boards;
    }

    bool ReplayFile(int64_t id, Bytes* out) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement query(db_, "SELECT replay FROM entries WHERE id = ?");
        query.Bind(id);
        if (!query.Step()) return false;
        *out = query.Blob(0);
        return true;
    }

    bool Healthy() override {
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            Statement query(db_, "SELECT 1");
            return query.Step();
        } catch (const Unavailable&) {
            return false;
        }
    }

private:
    int64_t FindLocked(const std::string& playHash) {
        Statement query(db_, "SELECT id FROM entries WHERE play_hash = ?");
        query.Bind(playHash);
        return query.Step() ? query.Int(0) : 0;
    }

    sqlite3* db_;
    std::mutex mutex_;
};

}  // namespace

std::unique_ptr<Storage> OpenSqlite(const std::string& folder, std::string* why) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string path = folder + "/board.db";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK) {
        *why = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    auto storage = std::make_unique<SqliteStorage>(db);
    try {
        storage->Run("PRAGMA journal_mode = WAL");
        storage->Run("PRAGMA synchronous = NORMAL");
        storage->Migrate();
    } catch (const Unavailable& failure) {
        *why = path + ": " + failure.what();
        return nullptr;
    }
    return storage;
}

}  // namespace board
