// The board's SQL, the same for SQLite and PostgreSQL where it can be: the
// schema's versions and the queries. Every value is a bound parameter.
#pragma once

#include <cstdint>
#include <string>

namespace board {

// The schema's version, one row per migration applied.
constexpr const char* SchemaTable = "CREATE TABLE IF NOT EXISTS board_schema (version INTEGER NOT NULL)";

struct Migration {
    int64_t version;
    const char* sqlite;
    const char* postgres;
};

// Each entry: the verified result, the player's name, the stage set, the
// submission's date (UTC, ISO 8601) and the replay file itself, so that any
// entry can be watched and verified again, from any instance. The play's
// hash is unique: the same game twice is refused by the database itself.
constexpr Migration Migrations[] = {
    {1,
     "CREATE TABLE entries (id INTEGER PRIMARY KEY AUTOINCREMENT, play_hash TEXT NOT NULL UNIQUE, "
     "name TEXT NOT NULL, points INTEGER NOT NULL, stage INTEGER NOT NULL, combo INTEGER NOT NULL, "
     "ship TEXT NOT NULL, difficulty TEXT NOT NULL, stages TEXT NOT NULL, result TEXT NOT NULL, "
     "submitted TEXT NOT NULL, replay BLOB NOT NULL);"
     "CREATE INDEX entries_board ON entries (difficulty, stages, points DESC, stage DESC, id);"
     "CREATE INDEX entries_ship ON entries (difficulty, stages, ship, points DESC, stage DESC, id);",
     "CREATE TABLE entries (id BIGSERIAL PRIMARY KEY, play_hash TEXT NOT NULL UNIQUE, "
     "name TEXT NOT NULL, points BIGINT NOT NULL, stage INTEGER NOT NULL, combo INTEGER NOT NULL, "
     "ship TEXT NOT NULL, difficulty TEXT NOT NULL, stages TEXT NOT NULL, result TEXT NOT NULL, "
     "submitted TEXT NOT NULL, replay BYTEA NOT NULL);"
     "CREATE INDEX entries_board ON entries (difficulty, stages, points DESC, stage DESC, id);"
     "CREATE INDEX entries_ship ON entries (difficulty, stages, ship, points DESC, stage DESC, id);"},
};

// `style` '?' (SQLite) or '$' (PostgreSQL, numbered).
inline std::string Placeholders(const char* sql, char style) {
    std::string out;
    int number = 0;
    for (const char* c = sql; *c; c++)
        if (*c == '?' && style == '$')
            out += "$" + std::to_string(++number);
        else
            out += *c;
    return out;
}

// The entries ranked above one (difficulty, stages, points, stage, id):
// more points, or as many and a later stage, or both and earlier.
inline std::string RankQuery(char style) {
    return Placeholders(
        "SELECT COUNT(*) FROM entries WHERE difficulty = ? AND stages = ? AND (points > ? OR (points = ? AND "
        "(stage > ? OR (stage = ? AND id < ?))))",
        style);
}

// A page of one board (difficulty, stages, ship twice: "" for all; limit, offset).
inline std::string ScoresQuery(char style) {
    return Placeholders(
        "SELECT id, name, points, stage, combo, ship, difficulty, stages, result, submitted FROM entries "
        "WHERE difficulty = ? AND stages = ? AND (? = '' OR ship = ?) ORDER BY points DESC, stage DESC, id LIMIT ? OFFSET ?",
        style);
}

constexpr const char* BoardsQuery =
    "SELECT stages, difficulty, COUNT(*) FROM entries GROUP BY stages, difficulty ORDER BY stages, difficulty";

}  // namespace board
