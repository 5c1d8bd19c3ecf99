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

// Puts every game value and table back to zero (files are closed), as at
// process start; GameRandom becomes 1.
void ZeroGameState();
