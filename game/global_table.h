// One list of every game value by its name, type and address, and of the four
// shot tables with their fields: the simulator dumps, sets and checks values
// through it, and tests reset the whole game state with it. Adding a global
// to the game is one line in global_table.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ValueType { I32, U32, F32, Text, File };

struct GameValue {
    const char* name;
    ValueType type;
    void* address;
    size_t size;  // bytes (for Text: the buffer's size)
    bool play;    // part of the play state that a replay's checkpoints hash
};

struct TableField {
    const char* name;
    ValueType type;
    size_t offset;
};

struct GameTableInfo {
    const char* name;
    void* base;
    int count;
    size_t stride;
    const TableField* fields;
    int fieldCount;
};

extern const GameValue GameValues[];
extern const int GameValueCount;
extern const GameTableInfo GameTables[];
extern const int GameTableCount;

// The value or table of that name, or null.
const GameValue* FindGameValue(const char* name);
const GameTableInfo* FindGameTable(const char* name);
const TableField* FindTableField(const GameTableInfo& table, const char* name);

// A hash (FNV-1a, 32 bits) of the play state: every value marked `play`, in
// the list's order, its bytes as stored (little-endian); the position of
// each script stream (-1 when closed); each pad's centre; and of every table
// slot its `active` field, and all its fields when it is in use. Two games
// whose play states hash alike play on alike.
uint32_t PlayStateHash();

// Puts every game value and table back to zero (files are closed), as at
// process start; GameRandom becomes 1, and stage files come from where they
// do without a replay (SetStageFolder).
void ZeroGameState();
