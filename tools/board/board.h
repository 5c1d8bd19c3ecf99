// grazerunner-board: the verified score board. A replay file goes in, is
// played to its end by the game's own code in a worker process, and its
// verified result goes on the board of its difficulty and stage set.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "replay.h"

namespace board {

using Bytes = std::vector<uint8_t>;

// ---- replay_facts.cpp: what the server reads from a replay before it runs ------

// The stage files the game ships, from its data folder: a replay whose
// embedded stage files are all among them, byte for byte, is on the
// built-in board.
struct ShippedStages {
    std::unordered_map<std::string, Bytes> files;
    // Reads every stage file of `dataFolder`; false with why when it holds none.
    bool Load(const std::string& dataFolder, std::string* why);
};

// SHA-256 of bytes, as 64 lowercase hex digits.
std::string Sha256Hex(const void* bytes, size_t size);
// "builtin", or the first 16 hex digits of the hash of the embedded stage
// files (names and bytes, in the file's order).
std::string StageSetOf(const Replay& replay, const ShippedStages& shipped);
// The hash that makes two files the same entry: the play itself (start,
// keys, stage files, input, checkpoints), whatever the INFO text says.
std::string PlayHashOf(const Replay& replay);
// A player's name as given, trimmed: 1 to 16 code points of valid UTF-8, no
// control characters. Empty with why in `why` when it is not one.
std::string CleanName(const std::string& given, std::string* why);
constexpr size_t NameMax = 16;

// ---- storage.cpp: the board's database -------------------------------------------

struct Entry {
    int64_t id = 0;
    std::string name, ship, difficulty, stages, result, date;
    int64_t points = 0;
    int32_t stage = 0, combo = 0;
    int64_t rank = 0;
};

struct BoardCount {
    std::string stages, difficulty;
    int64_t entries = 0;
};

// The database cannot be reached (answered 503); the next call tries again.
struct Unavailable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Storage {
public:
    virtual ~Storage() = default;
    // Adds an entry with its replay file: its id and rank, or, when the
    // same play is on the board already, false with that entry's id.
    virtual bool Insert(Entry* entry, const std::string& playHash, const Bytes& replay, int64_t* existing) = 0;
    // The id of the entry of that play, 0 when none.
    virtual int64_t FindPlay(const std::string& playHash) = 0;
    // One board, ranked (ship "" for every ship): a page of rows, and the
    // board's size.
    virtual std::vector<Entry> Scores(const std::string& difficulty, const std::string& ship,
                                      const std::string& stages, int limit, int64_t offset, int64_t* total) = 0;
    virtual std::vector<BoardCount> Boards() = 0;
    // The replay file of an entry; false when there is no such entry.
    virtual bool ReplayFile(int64_t id, Bytes* out) = 0;
    // True when the database answers.
    virtual bool Healthy() = 0;
};

// SQLite in `folder`/board.db (write-ahead log), or PostgreSQL when
// `address` starts with postgresql:// or postgres://. The schema is made
// or brought up to date on opening. Null with why when it cannot be opened
// (PostgreSQL down at start is no error: calls answer Unavailable until it
// is back).
std::unique_ptr<Storage> OpenSqlite(const std::string& folder, std::string* why);
std::unique_ptr<Storage> OpenPostgres(const std::string& address, int connections, std::string* why);

// ---- pool.cpp: verification in worker processes -------------------------------

struct Verdict {
    enum Kind { Verified, Refused, Failed } kind = Failed;
    std::string text;  // the result line, why it was refused, or what went wrong
};

struct PoolSettings {
    std::string program;  // this program, started as `program worker ...`
    int workers = 1;
    uint32_t frameBudget = 0;
    int timeLimitSeconds = 60;
};

// Starts the workers; Verify blocks until one is free, hands it the file and
// waits for its verdict at most the time limit. A worker that dies or runs
// over is killed and replaced: Failed.
void StartPool(const PoolSettings& settings);
void StopPool();
// `fault` is a test switch (0 none, 'C' crash, 'H' hang), honoured only by
// workers started with GRAZERUNNER_BOARD_FAULTS=1 in their environment.
Verdict Verify(const Bytes& replay, char fault = 0);

// worker.cpp: `grazerunner-board worker BUDGET`: verdicts for replays read
// from standard input until it closes.
int RunWorker(uint32_t frameBudget);

// ---- rate_limit.cpp ----------------------------------------------------------------

// A token bucket per client address, in this process's memory: `perMinute`
// submissions a minute, as many at once.
class RateLimit {
public:
    explicit RateLimit(int perMinute) : perMinute_(perMinute) {}
    // True when the address may go on; else the seconds until it may.
    bool Take(const std::string& address, int* retryAfter);

private:
    struct Bucket {
        double tokens;
        double at;
    };
    int perMinute_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

// ---- server.cpp ------------------------------------------------------------------

struct ServerSettings {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string dataFolder = "board-data";
    std::string database;  // postgresql://… or "" for SQLite
    std::string gameData;  // the game's data folder ("" beside this program)
    int workers = 0;       // 0: one per core
    uint32_t frameBudget = 60 * 60 * 60;
    int timeLimitSeconds = 60;
    size_t maxBytes = 1024 * 1024;
    int ratePerMinute = 10;
    bool trustProxy = false;
    std::string site, siteUrl;
    int threads = 128;       // connections held at once (a slow client holds one)
    int dbConnections = 8;   // PostgreSQL connections of this instance
    int readTimeoutSeconds = 10;
};

int Serve(const ServerSettings& settings, const std::string& program);

// submit.cpp: `grazerunner-board submit FILE --to ADDRESS --name NAME`.
int Submit(const std::string& file, const std::string& address, const std::string& name);

}  // namespace board
