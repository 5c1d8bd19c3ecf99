// The board in PostgreSQL, shared by any number of server instances: a few
// connections per instance, each opened when first needed and opened again
// after a failure, so that the board comes back by itself when the database
// does. Every statement binds its values; the replay file goes in as bytea.
#include <libpq-fe.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>

#include "board.h"
#include "storage_sql.h"

namespace board {

namespace {

struct Result {
    PGresult* result = nullptr;
    ~Result() { PQclear(result); }
    int Rows() const { return PQntuples(result); }
    std::string Text(int row, int column) const { return PQgetvalue(result, row, column); }
    int64_t Int(int row, int column) const { return std::stoll(PQgetvalue(result, row, column)); }
};

// A value for a statement: text, or bytes sent as binary.
struct Value {
    std::string text;
    const Bytes* bytes = nullptr;
    Value(std::string t) : text(std::move(t)) {}
    Value(const char* t) : text(t) {}
    Value(int64_t number) : text(std::to_string(number)) {}
    Value(const Bytes& b) : bytes(&b) {}
};

class PostgresStorage : public Storage {
public:
    PostgresStorage(std::string address, int connections)
        : address_(std::move(address)), free_(static_cast<size_t>(std::max(1, connections)), nullptr) {}
    ~PostgresStorage() override {
        for (PGconn* connection : free_) PQfinish(connection);
    }

    bool Insert(Entry* entry, const std::string& playHash, const Bytes& replay, int64_t* existing) override {
        Lease lease(this);
        Result inserted;
        const bool added = Exec(lease, &inserted,
                                "INSERT INTO entries (play_hash, name, points, stage, combo, ship, difficulty, stages, "
                                "result, submitted, replay) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11) RETURNING id",
                                {playHash, entry->name, entry->points, int64_t(entry->stage), int64_t(entry->combo), entry->ship,
                                 entry->difficulty, entry->stages, entry->result, entry->date, replay},
                                true);
        if (!added) {
            *existing = Find(lease, playHash);
            return false;
        }
        entry->id = inserted.Int(0, 0);
        Result rank;
        Exec(lease, &rank, RankQuery('$').c_str(),
             {entry->difficulty, entry->stages, entry->points, entry->points, int64_t(entry->stage), int64_t(entry->stage),
              entry->id});
        entry->rank = rank.Int(0, 0) + 1;
        return true;
    }

    int64_t FindPlay(const std::string& playHash) override {
        Lease lease(this);
        return Find(lease, playHash);
    }

    std::vector<Entry> Scores(const std::string& difficulty, const std::string& ship, const std::string& stages, int limit,
                              int64_t offset, int64_t* total) override {
        Lease lease(this);
        Result count, page;
        Exec(lease, &count, "SELECT COUNT(*) FROM entries WHERE difficulty = $1 AND stages = $2 AND ($3 = '' OR ship = $4)",
             {difficulty, stages, ship, ship});
        *total = count.Int(0, 0);
        Exec(lease, &page, ScoresQuery('$').c_str(), {difficulty, stages, ship, ship, int64_t(limit), offset});
        std::vector<Entry> rows;
        for (int r = 0; r < page.Rows(); r++) {
            Entry row;
            row.id = page.Int(r, 0);
            row.name = page.Text(r, 1);
            row.points = page.Int(r, 2);
            row.stage = static_cast<int32_t>(page.Int(r, 3));
            row.combo = static_cast<int32_t>(page.Int(r, 4));
            row.ship = page.Text(r, 5);
            row.difficulty = page.Text(r, 6);
            row.stages = page.Text(r, 7);
            row.result = page.Text(r, 8);
            row.date = page.Text(r, 9);
            row.rank = offset + r + 1;
            rows.push_back(row);
        }
        return rows;
    }

    std::vector<BoardCount> Boards() override {
        Lease lease(this);
        Result boards;
        Exec(lease, &boards, BoardsQuery, {});
        std::vector<BoardCount> list;
        for (int r = 0; r < boards.Rows(); r++) list.push_back({boards.Text(r, 0), boards.Text(r, 1), boards.Int(r, 2)});
        return list;
    }

    bool ReplayFile(int64_t id, Bytes* out) override {
        Lease lease(this);
        Result file;
        Exec(lease, &file, "SELECT replay FROM entries WHERE id = $1", {id}, false, 1);
        if (file.Rows() == 0) return false;
        const auto* bytes = reinterpret_cast<const uint8_t*>(PQgetvalue(file.result, 0, 0));
        out->assign(bytes, bytes + PQgetlength(file.result, 0, 0));
        return true;
    }

    bool Healthy() override {
        try {
            Lease lease(this);
            Result one;
            Exec(lease, &one, "SELECT 1", {});
            return true;
        } catch (const Unavailable&) {
            return false;
        }
    }

private:
    // A connection taken from the pool for one call, opened if need be; it
    // goes back when the call ends, or is dropped when it failed.
    struct Lease {
        PostgresStorage* owner;
        PGconn* connection = nullptr;
        explicit Lease(PostgresStorage* storage) : owner(storage) { connection = owner->Take(); }
        ~Lease() { owner->Give(connection); }
    };

    PGconn* Take() {
        PGconn* connection = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            given_.wait(lock, [this] { return !free_.empty(); });
            connection = free_.back();
            free_.pop_back();
        }
        if (connection && PQstatus(connection) == CONNECTION_OK) return connection;
        PQfinish(connection);
        const char* keys[] = {"dbname", "connect_timeout", "application_name", nullptr};
        const char* values[] = {address_.c_str(), "5", "grazerunner-board", nullptr};
        connection = PQconnectdbParams(keys, values, 1);
        if (PQstatus(connection) != CONNECTION_OK) {
            const std::string why = PQerrorMessage(connection);
            PQfinish(connection);
            Give(nullptr);
            throw Unavailable("PostgreSQL: " + why);
        }
        try {
            Migrate(connection);
        } catch (...) {
            PQfinish(connection);
            Give(nullptr);
            throw;
        }
        return connection;
    }

    void Give(PGconn* connection) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(connection);
        }
        given_.notify_one();
    }

    // Runs a statement. A broken unique constraint is false when `mayConflict`;
    // a lost connection is dropped and Unavailable; any other error thrown.
    bool Exec(Lease& lease, Result* out, const char* sql, const std::vector<Value>& values, bool mayConflict = false,
              int resultFormat = 0) {
        std::vector<const char*> data;
        std::vector<int> lengths, formats;
        for (const Value& value : values) {
            data.push_back(value.bytes ? reinterpret_cast<const char*>(value.bytes->data()) : value.text.c_str());
            lengths.push_back(value.bytes ? static_cast<int>(value.bytes->size()) : 0);
            formats.push_back(value.bytes ? 1 : 0);
        }
        PQclear(out->result);
        out->result = PQexecParams(lease.connection, sql, static_cast<int>(values.size()), nullptr, data.data(), lengths.data(),
                                   formats.data(), resultFormat);
        const ExecStatusType status = PQresultStatus(out->result);
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) return true;
        const char* state = PQresultErrorField(out->result, PG_DIAG_SQLSTATE);
        if (mayConflict && state && std::string(state) == "23505") return false;
        const std::string why = PQerrorMessage(lease.connection);
        if (PQstatus(lease.connection) != CONNECTION_OK || !state || std::string(state).rfind("08", 0) == 0 ||
            std::string(state).rfind("57P", 0) == 0) {
            PQfinish(lease.connection);
            lease.connection = nullptr;
            throw Unavailable("PostgreSQL: " + why);
        }
        throw std::runtime_error("PostgreSQL: " + why);
    }

    int64_t Find(Lease& lease, const std::string& playHash) {
        Result found;
        Exec(lease, &found, "SELECT id FROM entries WHERE play_hash = $1", {playHash});
        return found.Rows() ? found.Int(0, 0) : 0;
    }

    // Brings the schema up to date, once per process, in one transaction
    // under an advisory lock, so that instances starting together migrate
    // it once.
    void Migrate(PGconn* connection) {
        std::lock_guard<std::mutex> lock(migrating_);
        if (migrated_) return;
        auto run = [&](const char* sql) {
            PGresult* result = PQexec(connection, sql);
            const ExecStatusType status = PQresultStatus(result);
            const std::string why = PQresultErrorMessage(result);
            PQclear(result);
            if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw Unavailable("PostgreSQL: " + why);
        };
        try {
            run("BEGIN");
            run("SELECT pg_advisory_xact_lock(7471)");
            run(SchemaTable);
            Result version;
            version.result = PQexec(connection, "SELECT COALESCE(MAX(version), 0) FROM board_schema");
            if (PQresultStatus(version.result) != PGRES_TUPLES_OK) throw Unavailable("PostgreSQL: cannot read the schema's version");
            const int64_t current = version.Int(0, 0);
            for (const Migration& step : Migrations)
                if (step.version > current) {
                    run(step.postgres);
                    run(("INSERT INTO board_schema (version) VALUES (" + std::to_string(step.version) + ")").c_str());
                }
            run("COMMIT");
        } catch (...) {
            PQclear(PQexec(connection, "ROLLBACK"));
            throw;
        }
        migrated_ = true;
    }

    std::string address_;
    std::vector<PGconn*> free_;  // null: not open yet, or dropped
    std::mutex mutex_;
    std::condition_variable given_;
    std::mutex migrating_;
    bool migrated_ = false;
};

}  // namespace

std::unique_ptr<Storage> OpenPostgres(const std::string& address, int connections, std::string* why) {
    if (address.rfind("postgresql://", 0) != 0 && address.rfind("postgres://", 0) != 0) {
        *why = "--database takes a postgresql:// address";
        return nullptr;
    }
    auto storage = std::make_unique<PostgresStorage>(address, connections);
    // An early word when the database is not there yet; the server starts
    // all the same and answers 503 until it is.
    if (!storage->Healthy()) std::fprintf(stderr, "grazerunner-board: PostgreSQL does not answer yet at start\n");
    return storage;
}

}  // namespace board
